// The keys of a window as DialogWidget hears them: Esc and the close box, Enter, access keys,
// the arrow keys of a radio group, the keys a dialog takes before its controls, and the text
// size keys of a window that grows.
#include "ui/qt/qt_dialog_widget.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QWheelEvent>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "ui/qt/qt_test_support.h"

namespace ui::qt {
namespace {

using namespace test_support;

TEST(QtDialogWidget, EscCloseBoxAndCancelButtonRunOnCancel) {
  const std::vector<std::pair<const char*, std::function<void(QDialog*)>>> ways = {
      {"Esc in the line",
       [](QDialog* w) { QTest::keyClick(Find<QLineEdit>(w, kName), Qt::Key_Escape); }},
      {"Esc in the notes",
       [](QDialog* w) { QTest::keyClick(Find<QPlainTextEdit>(w, kNotes), Qt::Key_Escape); }},
      {"close box", [](QDialog* w) { w->close(); }},
      {"cancel button", [](QDialog* w) { Find<QPushButton>(w, IDCANCEL)->click(); }},
  };
  // Plain references: clang 14 does not let a lambda capture a structured binding.
  for (const auto& way : ways) {
    SCOPED_TRACE(way.first);
    const std::function<void(QDialog*)>& act = way.second;
    TestDialog dialog;
    dialog.m_name = "before";
    int result = RunWith(dialog, [&](QDialog* w) {
      Type(Find<QLineEdit>(w, kName), QStringLiteral("x"));
      act(w);
    });
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_EQ(dialog.m_cancelRuns, 1);
    EXPECT_EQ(dialog.m_okRuns, 0);
    EXPECT_EQ(dialog.m_name, "before");  // cancel saves nothing
  }
}

TEST(QtDialogWidget, WindowStaysOpenUntilTheDialogEndsIt) {
  // A dialog whose OnCancel does not end it keeps its window through Esc and the close box.
  struct Stubborn : TestDialog {
    void OnCancel() override { ++m_cancelRuns; }
  } dialog;
  int result = RunWith(dialog, [&](QDialog* w) {
    QTest::keyClick(Find<QLineEdit>(w, kName), Qt::Key_Escape);
    w->close();
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(dialog.m_cancelRuns, 2);
    dialog.EndDialog(5);
  });
  EXPECT_EQ(result, 5);
}

TEST(QtDialogWidget, EnterPressesTheDefaultOrTheFocusedButton) {
  struct Case {
    const char* what;
    int focus;
    int ok_runs;
    std::vector<int> commands;
  };
  const std::vector<Case> cases = {
      {"from the line", kName, 1, {}},
      {"from a radio button", kRadioA, 1, {}},
      {"from the other button", kExtra, 0, {kExtra}},
      {"from a multi-line edit that leaves Enter", kPlain, 1, {}},
      {"not from a read-only list that keeps Enter", kList, 0, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    TestDialog dialog;
    RunWith(dialog, [&](QDialog* w) {
      EXPECT_TRUE(Find<QPushButton>(w, IDOK)->isDefault());
      QWidget* focus = w->findChild<QWidget*>(QString::number(c.focus));
      focus->setFocus();
      QTest::keyClick(focus, Qt::Key_Return);
      if (w->isVisible()) dialog.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(dialog.m_okRuns, c.ok_runs);
    EXPECT_EQ(dialog.m_commands, c.commands);
  }
}

TEST(QtDialogWidget, AccessKeys) {
  TestDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    // The label's key goes to the field after it.
    Find<QPushButton>(w, kExtra)->setFocus();
    QTest::keyClick(w, Qt::Key_N, Qt::AltModifier);
    EXPECT_EQ(QApplication::focusWidget(), Find<QLineEdit>(w, kName));
    // Outside an edit the plain key works too; inside one it is typed.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    EXPECT_TRUE(dialog.m_commands.empty());
    Find<QRadioButton>(w, kRadioA)->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_A);
    EXPECT_EQ(dialog.m_commands, std::vector<int>{kExtra});
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_3);
    EXPECT_TRUE(Find<QRadioButton>(w, kRadioC)->isChecked());
    QTest::keyClick(w, Qt::Key_O, Qt::AltModifier);
    // A button's access key presses it the way a click looks: a moment later.
    for (int i = 0; i < 100 && w->isVisible(); ++i) QTest::qWait(10);
  });
  EXPECT_EQ(dialog.m_okRuns, 1);
  EXPECT_EQ(dialog.m_name, "a");
  EXPECT_EQ(dialog.m_choice, 2);
}

TEST(QtDialogWidget, ChatWindowTakesLettersAsTextNeverAsAccessKeys) {
  // A click on 送信 leaves the focus on the button until the turn puts it back in the
  // input line. Whatever has the focus, a bare letter presses no button of the chat window
  // ("e" is 終了(&E)); Alt with the letter does. Other dialogs keep bare access keys (see
  // AccessKeys).
  ChatLikeDialog dialog;
  dialog.m_focusInputAfterTurn = true;
  int result = RunWith(dialog, [&](QDialog* w) {
    auto* input = Find<QLineEdit>(w, IDC_INPUT);
    auto* send = Find<QPushButton>(w, IDOK);
    Type(input, QStringLiteral("hello"));
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), input);
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("eeto"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(dialog.m_inputs.size(), 2u);

    dialog.m_focusInputAfterTurn = false;
    QTest::mouseClick(send, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), send);
    QTest::keyClicks(send, QStringLiteral("eoEO"));
    QTest::qWait(200);  // a pressed button clicks a moment later
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(dialog.m_cancelRuns, 0);
    EXPECT_EQ(dialog.m_inputs.size(), 3u);
    QTest::keyClick(send, Qt::Key_E, Qt::AltModifier);
    for (int i = 0; i < 100 && w->isVisible(); ++i) QTest::qWait(10);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_cancelRuns, 1);
  EXPECT_EQ(dialog.m_inputs, (std::vector<std::string>{"hello", "eeto", ""}));
}

// A dialog that takes Delete in the list and Ctrl+Z, Ctrl+F anywhere, and hears every key
// it is offered.
class KeyDialog : public ListDialog {
 public:
  std::vector<std::pair<int, Key>> m_keys;

 protected:
  bool OnKey(int id, Key key) override {
    m_keys.emplace_back(id, key);
    if (key == Key::kCtrlF) GotoDlgCtrl(IDC_BOOK_SEARCH);
    return (id == IDC_BOOK_LIST && key == Key::kDelete) || key == Key::kCtrlZ || key == Key::kCtrlF;
  }
};

TEST(QtDialogWidget, KeysReachTheDialogBeforeTheControlAndTabSelectsAListRow) {
  KeyDialog dialog;
  dialog.m_rows.count = 3;
  std::vector<size_t> after_tab;
  RunWith(dialog, [&](QDialog* w) {
    auto* search = Find<QLineEdit>(w, IDC_BOOK_SEARCH);
    auto* view = Find<QTableView>(w, IDC_BOOK_LIST);
    EXPECT_EQ(QApplication::focusWidget(), search);
    Type(search, QStringLiteral("ab"));
    QTest::keyClick(search, Qt::Key_Z, Qt::ControlModifier);  // taken: the field keeps "ab"
    EXPECT_EQ(search->text(), QStringLiteral("ab"));
    QTest::keyClick(search, Qt::Key_Y, Qt::ControlModifier);  // not taken
    QTest::keyClick(search, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), view);
    after_tab = dialog.Window()->GetListSelection(IDC_BOOK_LIST);
    QTest::keyClick(view, Qt::Key_Return);  // not taken: the row is activated
    QTest::keyClick(view, Qt::Key_Delete);
    QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(QApplication::focusWidget(), search);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(after_tab, std::vector<size_t>{0});
  using K = std::pair<int, Key>;
  EXPECT_EQ(dialog.m_keys, (std::vector<K>{{IDC_BOOK_SEARCH, Key::kCtrlZ},
                                           {IDC_BOOK_SEARCH, Key::kCtrlY},
                                           {IDC_BOOK_LIST, Key::kReturn},
                                           {IDC_BOOK_LIST, Key::kDelete},
                                           {IDC_BOOK_LIST, Key::kCtrlF}}));
  EXPECT_EQ(dialog.m_notes.back(), (std::pair<int, Notify>{IDC_BOOK_LIST, Notify::kListActivate}));
}

TEST(QtDialogWidget, TextSizeKeysChangeTheTranscriptWithinBoundsAndAreRemembered) {
  const auto ctrl = Qt::ControlModifier;
  struct Press {
    const char* what;
    int focus;
    Qt::Key key;
    Qt::KeyboardModifiers mods;
    int times;
    int expected;
  };
  const std::vector<Press> presses = {
      {"Ctrl+plus in the input line", IDC_INPUT, Qt::Key_Plus, ctrl | Qt::ShiftModifier, 1, 10},
      {"Ctrl+= in the input line", IDC_INPUT, Qt::Key_Equal, ctrl, 1, 11},
      {"Ctrl+minus in the transcript", IDC_TRANSCRIPT, Qt::Key_Minus, ctrl, 1, 10},
      {"Ctrl+0 on a button", IDOK, Qt::Key_0, ctrl, 1, 9},
      {"Ctrl+minus on the keypad", IDC_INPUT, Qt::Key_Minus, ctrl | Qt::KeypadModifier, 1, 8},
      {"not below 8", IDC_TRANSCRIPT, Qt::Key_Minus, ctrl, 3, 8},
      {"not above 32", IDC_INPUT, Qt::Key_Plus, ctrl, 40, 32},
      {"plain minus is typed", IDC_INPUT, Qt::Key_Minus, Qt::NoModifier, 1, 32},
  };
  ChatLikeDialog first;
  RunWith(first, [&](QDialog* w) {
    EXPECT_EQ(PointSize(w, IDC_TRANSCRIPT), 9);
    for (const Press& p : presses) {
      QWidget* target = Find<QWidget>(w, p.focus);
      for (int i = 0; i < p.times; ++i) QTest::keyClick(target, p.key, p.mods);
      EXPECT_EQ(PointSize(w, IDC_TRANSCRIPT), p.expected) << p.what;
      // The one-line fields keep the window's text size.
      EXPECT_EQ(PointSize(w, IDC_INPUT), 9) << p.what;
      EXPECT_EQ(PointSize(w, IDC_YOUR_NAME), 9) << p.what;
    }
    EXPECT_EQ(Find<QLineEdit>(w, IDC_INPUT)->text(), QStringLiteral("-"));
    // Ctrl with the wheel over the transcript steps the same size, up and down.
    QWidget* viewport = Find<QPlainTextEdit>(w, IDC_TRANSCRIPT)->viewport();
    for (int delta : {-120, -120, 120}) {
      const QPointF at = viewport->rect().center();
      QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, delta), Qt::NoButton,
                        Qt::ControlModifier, Qt::NoScrollPhase, false);
      QApplication::sendEvent(viewport, &wheel);
    }
    EXPECT_EQ(PointSize(w, IDC_TRANSCRIPT), 31);
    QTest::keyClick(w, Qt::Key_Escape);
  });
  ChatLikeDialog second;
  RunWith(second, [&](QDialog* w) {
    EXPECT_EQ(PointSize(w, IDC_TRANSCRIPT), 31);
    ExpectWholeLayout(w, true);  // the window itself keeps the template's size
    second.EndDialog(IDCANCEL);
  });
  // A window that does not grow has no text size keys.
  TestDialog fixed;
  RunWith(fixed, [&](QDialog* w) {
    QTest::keyClick(Find<QWidget>(w, kNotes), Qt::Key_Plus, ctrl);
    EXPECT_EQ(PointSize(w, kNotes), 9);
    fixed.EndDialog(IDCANCEL);
  });
}

}  // namespace
}  // namespace ui::qt
