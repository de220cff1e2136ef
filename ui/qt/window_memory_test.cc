// The windows that grow: their controls follow the edges, and their place, size and text size
// are remembered, whatever the file of remembered windows holds. Each test starts with nothing
// remembered (see qt_test_main.cc).
#include "ui/qt/window_memory.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <map>
#include <string>
#include <vector>

#include "ui/qt/qt_test_support.h"

namespace ui::qt {
namespace {

using namespace test_support;

QString ConfigFile() { return test_support::Backend().window_memory().file(); }

void WriteConfig(const QByteArray& bytes) {
  QDir().mkpath(QFileInfo(ConfigFile()).absolutePath());
  QFile file(ConfigFile());
  ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
  file.write(bytes);
}

QRect PlaceOf(QDialog* w, int id) { return Find<QWidget>(w, id)->geometry(); }

// Resizes the window as a user's drag would and lets the layout follow.
void DragTo(QDialog* w, QSize size) {
  w->resize(size);
  QApplication::processEvents();
}

TEST(WindowMemory, ChatWindowGrowsAndComesBackAtItsPlaceAndSize) {
  const std::vector<int> ids = {IDC_TRANSCRIPT, IDC_INPUT,     IDOK,
                                IDCANCEL,       IDC_YOUR_NAME, IDC_RINU_NAME};
  std::map<int, QRect> before, after;
  QSize smallest;
  QRect frame;
  ChatLikeDialog first;
  RunWith(first, [&](QDialog* w) {
    ExpectWholeLayout(w, true);
    smallest = w->size();
    for (int id : ids) before[id] = PlaceOf(w, id);
    w->move(40, 30);
    DragTo(w, smallest + QSize(200, 150));
    for (int id : ids) after[id] = PlaceOf(w, id);
    frame = QRect(w->pos(), w->size());
    first.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(frame, QRect(QPoint(40, 30), smallest + QSize(200, 150)));
  struct Case {
    int id;
    QPoint moved;
    QSize grown;
  };
  const std::vector<Case> cases = {
      {IDC_TRANSCRIPT, {0, 0}, {200, 150}},
      {IDC_INPUT, {0, 0}, {200, 0}},
      {IDOK, {0, 150}, {0, 0}},
      {IDCANCEL, {200, 150}, {0, 0}},
      {IDC_YOUR_NAME, {0, 0}, {0, 0}},
      {IDC_RINU_NAME, {0, 0}, {0, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(after[c.id], QRect(before[c.id].topLeft() + c.moved, before[c.id].size() + c.grown))
        << c.id;
  }
  ChatLikeDialog second;
  RunWith(second, [&](QDialog* w) {
    EXPECT_EQ(QRect(w->pos(), w->size()), frame);
    EXPECT_EQ(PlaceOf(w, IDC_TRANSCRIPT), after[IDC_TRANSCRIPT]);
    DragTo(w, QSize(100, 100));  // never smaller than the template
    EXPECT_EQ(w->size(), smallest);
    EXPECT_EQ(PlaceOf(w, IDC_TRANSCRIPT), before[IDC_TRANSCRIPT]);
    second.EndDialog(IDCANCEL);
  });
}

TEST(WindowMemory, MemoryBookListTakesTheTextSizeAndRoom) {
  QRect list_before, list_after;
  {
    ListDialog dialog;
    RunWith(dialog, [&](QDialog* w) {
      auto* view = Find<QTableView>(w, IDC_BOOK_LIST);
      list_before = view->geometry();
      EXPECT_EQ(w->size(), w->minimumSize());
      DragTo(w, w->size() + QSize(120, 80));
      list_after = view->geometry();
      QTest::keyClick(view, Qt::Key_Plus, Qt::ControlModifier);
      QTest::keyClick(Find<QWidget>(w, IDC_BOOK_SEARCH), Qt::Key_Plus, Qt::ControlModifier);
      dialog.EndDialog(IDCANCEL);
    });
  }
  EXPECT_EQ(list_after, list_before.adjusted(0, 0, 120, 80));
  ListDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    auto* view = Find<QTableView>(w, IDC_BOOK_LIST);
    EXPECT_EQ(view->geometry(), list_after);
    EXPECT_EQ(view->font().pointSize(), 11);
    EXPECT_EQ(view->verticalHeader()->defaultSectionSize(),
              QFontMetrics(view->font()).height() + 4);
    dialog.EndDialog(IDCANCEL);
  });
  QSettings settings(ConfigFile(), QSettings::IniFormat);
  EXPECT_EQ(settings.value(QStringLiteral("window_139/text_size")).toInt(), 11);
}

TEST(WindowMemory, DamagedWindowMemoryIsIgnoredAndWrittenAfresh) {
  struct Case {
    const char* what;
    QByteArray content;
    bool folder;  // a folder where the file should be: nothing can be written
  };
  const std::vector<Case> cases = {
      {"bytes that are no settings", QByteArray("\xff\xfe[window_102\n\x00=\x01\n[", 19), false},
      {"values that cannot be right",
       "[window_102]\nx=abc\ny=\nwidth=-5\nheight=99999999999\ntext_size=99\n", false},
      {"a folder in its place", "", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(ConfigFile());  // what the case before left
    if (c.folder) {
      QDir().mkpath(ConfigFile());
    } else {
      WriteConfig(c.content);
    }
    BoxRecorder boxes;
    QSize grown;
    ChatLikeDialog dialog;
    RunWith(dialog, [&](QDialog* w) {
      ExpectWholeLayout(w, true);
      EXPECT_EQ(PointSize(w, IDC_TRANSCRIPT), 9);
      QTest::keyClick(Find<QWidget>(w, IDC_INPUT), Qt::Key_Plus, Qt::ControlModifier);
      DragTo(w, w->size() + QSize(30, 20));
      grown = w->size();
      dialog.EndDialog(IDCANCEL);
    });
    EXPECT_TRUE(boxes.boxes().empty());
    if (c.folder) {
      EXPECT_TRUE(QDir(ConfigFile()).removeRecursively());
      continue;
    }
    QSettings settings(ConfigFile(), QSettings::IniFormat);
    EXPECT_EQ(settings.status(), QSettings::NoError);
    EXPECT_EQ(settings.value(QStringLiteral("window_102/width")).toInt(), grown.width());
    EXPECT_EQ(settings.value(QStringLiteral("window_102/height")).toInt(), grown.height());
    EXPECT_EQ(settings.value(QStringLiteral("window_102/text_size")).toInt(), 10);
    // Nothing of the damaged file is left (the bad values are written over).
    const QStringList keys = settings.allKeys();
    EXPECT_EQ(keys.size(), 5) << keys.join(u',').toStdString();
  }
}

TEST(WindowMemory, RememberedPlaceOffTheScreenOrTooLargeOpensOnTheScreen) {
  struct Case {
    const char* what;
    QByteArray remembered;
    QSize expected;  // empty: the screen's size
  };
  const std::vector<Case> cases = {
      {"far off", "[window_102]\nx=5000\ny=5000\nwidth=600\nheight=400\n", QSize(600, 400)},
      {"larger than the screen", "[window_102]\nx=10\ny=10\nwidth=5000\nheight=4000\n", QSize()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    QFile::remove(ConfigFile());  // what the case before left
    QTest::qWait(20);
    WriteConfig(c.remembered);
    ChatLikeDialog dialog;
    RunWith(dialog, [&](QDialog* w) {
      const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
      const QSize want = c.expected.isEmpty() ? screen.size() : c.expected;
      // The platform may apply the size a moment after the window shows, more so on a busy
      // machine.
      (void)QTest::qWaitFor([&] { return w->size() == want; }, 2000);
      EXPECT_EQ(w->size(), want);
      EXPECT_TRUE(screen.contains(QRect(w->pos(), w->size()))) << w->x() << "," << w->y();
      dialog.EndDialog(IDCANCEL);
    });
  }
}

}  // namespace
}  // namespace ui::qt
