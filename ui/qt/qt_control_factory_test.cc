// The controls as the factory makes them: what single-line and multi-line edits let the user put
// in, radio buttons in their groups, and the names a screen reader hears.
#include "ui/qt/qt_control_factory.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/qt/qt_test_support.h"
#include "ui/qt/qt_text.h"

namespace ui::qt {
namespace {

using namespace test_support;

TEST(QtControlFactory, FieldRefusesBytesPastItsLimit) {
  struct Case {
    const char* what;
    std::function<void(QLineEdit*)> act;
    QString expected;
  };
  const QString a49 = QString(49, u'a'), a98 = QString(98, u'a'), a99 = QString(99, u'a');
  const std::vector<Case> cases = {
      {"51 double-byte characters typed keep 50",
       [](QLineEdit* e) {
         for (int i = 0; i < 51; ++i) Type(e, Q(u8"あ"));
       },
       QString(50, QChar(0x3042))},
      {"a double-byte character crossing the limit is refused whole",
       [&](QLineEdit* e) {
         Type(e, a99);
         Type(e, Q(u8"あ"));
       },
       a99},
      {"a single byte still fits",
       [&](QLineEdit* e) {
         Type(e, a99);
         Type(e, Q(u8"ｱ"));
       },
       a99 + Q(u8"ｱ")},
      {"a pasted text is cut to what fits",
       [&](QLineEdit* e) {
         Type(e, a98);
         e->insert(Q(u8"いろはに"));
       },
       a98 + Q(u8"い")},
      {"an insert in the middle is cut too",
       [&](QLineEdit* e) {
         Type(e, a49 + a49);
         e->setCursorPosition(49);
         e->insert(Q(u8"xyz"));
       },
       a49 + QStringLiteral("xy") + a49},
      {"input method text is cut to what fits",
       [&](QLineEdit* e) {
         Type(e, a98);
         QInputMethodEvent commit;
         commit.setCommitString(Q(u8"日本語"));
         QApplication::sendEvent(e, &commit);
       },
       a98 + Q(u8"日")},
      {"replacing a selection may use its bytes",
       [&](QLineEdit* e) {
         Type(e, a98 + Q(u8"あ"));
         e->setSelection(98, 1);
         Type(e, Q(u8"い"));
       },
       a98 + Q(u8"い")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestDialog dialog;
    std::string got;
    RunWith(dialog, [&](QDialog* w) {
      auto* name = Find<QLineEdit>(w, kName);
      c.act(name);
      EXPECT_EQ(name->text(), c.expected);
      QTest::keyClick(name, Qt::Key_Return);
    });
    EXPECT_EQ(dialog.m_name, ToSjis(c.expected));
  }
}

TEST(QtControlFactory, ControlCharactersAreNotPassedOnFromALine) {
  TestDialog dialog;
  RunWith(dialog, [](QDialog* w) {
    auto* name = Find<QLineEdit>(w, kName);
    name->insert(QStringLiteral("a\r\nb\tc\x01\x7f") + QChar(0x85) + QStringLiteral("d"));
    QTest::keyClick(name, Qt::Key_Return);
  });
  EXPECT_EQ(dialog.m_name, "ab\tcd");
}

// Typed, pasted, dropped or composed text with a character code page 932 cannot hold is
// refused where it comes in, in every editable field: the field keeps its text and the user
// hears which character it was.
TEST(QtControlFactory, FieldsRefuseUnencodableCharactersAsTheyComeIn) {
  struct Way {
    const char* what;
    QString bad;  // typed, a key is one character; pasted or composed, a whole text
    std::function<void(QWidget*, const QString&)> put;
    std::string message = kEmojiMessage;
  };
  auto paste = [](QWidget* field, const QString& text) {
    QApplication::clipboard()->setText(text);
    QTest::keyClick(field, Qt::Key_V, Qt::ControlModifier);
  };
  const std::vector<Way> ways = {
      {"typed", Q(u8"😀"), [](QWidget* field, const QString& text) { Type(field, text); }},
      {"pasted", Q(u8"x😀y"), paste},
      // U+FFFD would be dropped as well: it never comes in from the user.
      {"pasted U+FFFD", Q(u8"x\uFFFDy"), paste,
       reinterpret_cast<const char*>(
           u8"「\uFFFD」はこのプログラムでは使えない文字です。別の文字にしてください。")},
      {"composed", Q(u8"x😀y"),
       [](QWidget* field, const QString& text) {
         QInputMethodEvent compose(text, {});
         QApplication::sendEvent(field, &compose);
         QInputMethodEvent commit;
         commit.setCommitString(text);
         QApplication::sendEvent(field, &commit);
       }},
  };
  const std::vector<int> fields = {kName, kNotes, kPlain};
  for (const Way& way : ways) {
    for (int id : fields) {
      SCOPED_TRACE(std::string(way.what) + " into " + std::to_string(id));
      BoxRecorder boxes;
      TestDialog dialog;
      QString text_after;
      RunWith(dialog, [&](QDialog* w) {
        QWidget* field = w->findChild<QWidget*>(QString::number(id));
        field->setFocus();
        Type(field, Q(u8"あい"));
        way.put(field, way.bad);
        QApplication::processEvents();
        ASSERT_EQ(boxes.boxes(), std::vector<std::string>{way.message});
        way.put(field, Q(u8"う"));  // what code page 932 holds goes in the same way
        auto* line = qobject_cast<QLineEdit*>(field);
        text_after = line ? line->text() : static_cast<QPlainTextEdit*>(field)->toPlainText();
        Find<QPushButton>(w, IDOK)->click();
      });
      EXPECT_EQ(text_after, Q(u8"あいう"));
      EXPECT_EQ(dialog.m_okRuns, 1);
      if (id == kName) {
        EXPECT_EQ(dialog.m_name, S(u8"あいう"));
      }
      if (id == kNotes) {
        EXPECT_EQ(dialog.m_notes, S(u8"あいう"));
      }
    }
  }
}

TEST(QtControlFactory, RadioButtonsFollowTheirGroups) {
  const std::vector<std::pair<int, std::vector<bool>>> loads = {{-1, {false, false, false}},
                                                                {0, {true, false, false}},
                                                                {2, {false, false, true}},
                                                                {5, {false, false, false}}};
  for (const auto& load : loads) {
    SCOPED_TRACE(load.first);
    const std::vector<bool>& checked = load.second;
    TestDialog dialog;
    dialog.m_choice = load.first;
    RunWith(dialog, [&](QDialog* w) {
      const int ids[] = {kRadioA, kRadioB, kRadioC};
      for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(Find<QRadioButton>(w, ids[i])->isChecked(), checked[i]) << i;
      }
      dialog.EndDialog(IDCANCEL);
    });
  }

  TestDialog dialog;
  dialog.m_choice = 0;
  RunWith(dialog, [&](QDialog* w) {
    auto* b = Find<QRadioButton>(w, kRadioB);
    b->click();
    EXPECT_FALSE(Find<QRadioButton>(w, kRadioA)->isChecked());
    // The other group is its own: checking there leaves this one alone.
    Find<QRadioButton>(w, kOtherA)->click();
    EXPECT_TRUE(b->isChecked());
    // Arrow keys move through the group and check the button reached.
    b->setFocus();
    QTest::keyClick(b, Qt::Key_Down);
    EXPECT_TRUE(Find<QRadioButton>(w, kRadioC)->isChecked());
    EXPECT_EQ(QApplication::focusWidget(), Find<QRadioButton>(w, kRadioC));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);  // wraps to the first
    EXPECT_TRUE(Find<QRadioButton>(w, kRadioA)->isChecked());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Up);
    Find<QPushButton>(w, IDOK)->click();
  });
  EXPECT_EQ(dialog.m_choice, 2);
  EXPECT_EQ(dialog.m_okRuns, 1);
}

}  // namespace
}  // namespace ui::qt
