// The Qt backend driven as a user would drive it: keys typed into real widgets on Qt's
// offscreen platform, with message boxes recorded instead of shown.
#include "ui/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSettings>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/text_codec.h"
#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/list_model.h"
#include "ui/qt/qt_test_support.h"
#include "ui/qt/qt_text.h"
#include "ui/qt/window_memory.h"

namespace ui::qt {
namespace {

// The program's form of a text: Shift-JIS bytes.
std::string S(const char8_t* utf8) {
  core::CodecResult r = core::Utf8ToSjis(reinterpret_cast<const char*>(utf8));
  EXPECT_TRUE(r.ok) << r.reason;
  return r.text;
}

QString Q(const char8_t* utf8) { return QString::fromUtf8(utf8); }

constexpr int kName = 10, kNotes = 11, kPlain = 12, kList = 13, kRadioA = 20, kRadioB = 21,
              kRadioC = 22, kBox = 23, kOtherA = 30, kOtherB = 31, kExtra = 40, kMenuCommand = 50,
              kSysEntry = 0x0010;

const MenuTemplate& TestMenu() {
  static const MenuTemplate menu{
      1,
      {{S(u8"表示(&V)"), 0, {{S(u8"その一(&A)"), 51, {}}, {"", 0, {}}}},
       {S(u8"その他(&S)"), 0, {{S(u8"下の段(&T)"), 0, {{S(u8"命令(&C)"), kMenuCommand, {}}}}}}}};
  return menu;
}

ControlTemplate C(int id, ControlKind kind, std::string text, Rect r, uint32_t style = 0) {
  return ControlTemplate{id, kind, std::move(text), r, style, nullptr};
}

const DialogTemplate& TestTemplate() {
  using K = ControlKind;
  static const DialogTemplate t{
      900,
      S(u8"テスト"),
      S(u8"ＭＳ Ｐゴシック"),
      9,
      200,
      160,
      kDlgCaption | kDlgSysMenu,
      &TestMenu(),
      {
          C(IDC_STATIC, K::kStatic, S(u8"名前(&N)"), {4, 4, 40, 8}),
          C(kName, K::kEdit, "", {50, 4, 100, 12}, kBorder | kAutoHScroll | kTabStop),
          C(kNotes, K::kEdit, "", {4, 20, 150, 40}, kBorder | kMultiline | kVScroll | kWantReturn),
          C(kPlain, K::kEdit, "", {160, 20, 36, 30}, kBorder | kMultiline),
          C(kList, K::kEdit, "", {160, 60, 36, 30}, kMultiline | kReadOnly | kWantReturn),
          C(kRadioA, K::kRadioButton, S(u8"一(&1)"), {8, 70, 60, 10}, kGroup | kTabStop),
          C(kRadioB, K::kRadioButton, S(u8"二(&2)"), {8, 82, 60, 10}),
          C(kRadioC, K::kRadioButton, S(u8"三(&3)"), {8, 94, 60, 10}),
          C(kBox, K::kGroupBox, S(u8"組"), {4, 62, 70, 46}, kGroup),
          C(kOtherA, K::kRadioButton, S(u8"甲"), {90, 70, 60, 10}, kGroup | kTabStop),
          C(kOtherB, K::kRadioButton, S(u8"乙"), {90, 82, 60, 10}),
          C(IDOK, K::kDefPushButton, "OK(&O)", {4, 140, 50, 14}, kGroup | kTabStop),
          C(IDCANCEL, K::kPushButton, S(u8"止める(&S)"), {60, 140, 50, 14}, kTabStop),
          C(kExtra, K::kPushButton, S(u8"追加(&A)"), {116, 140, 50, 14}, kTabStop),
      }};
  return t;
}

class TestDialog : public Dialog {
 public:
  explicit TestDialog(const DialogTemplate& t = TestTemplate())
      : Dialog(t, test_support::Backend()) {}

  std::string m_name;
  std::string m_notes;
  int m_choice = -1;
  int m_okRuns = 0, m_cancelRuns = 0;
  std::vector<int> m_commands, m_sysCommands;
  bool m_endInInit = false;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    AppendSysEntry();
    if (m_endInInit) EndDialog(7);
    return true;
  }
  void OnOK() override {
    ++m_okRuns;
    Dialog::OnOK();
  }
  void OnCancel() override {
    ++m_cancelRuns;
    Dialog::OnCancel();
  }
  bool OnCommand(int id) override {
    m_commands.push_back(id);
    return true;
  }
  void OnSysCommand(int id) override { m_sysCommands.push_back(id); }
  void DoDataExchange(DataExchange& dx) override {
    DDX_Text(dx, kName, m_name);
    DDV_MaxChars(dx, m_name, 100);
    DDX_Text(dx, kNotes, m_notes);
    DDX_Radio(dx, kRadioA, m_choice);
  }

 private:
  void AppendSysEntry() {
    if (Window()) Window()->AppendSystemMenuItem(kSysEntry, S(u8"情報(&A)..."));
  }
};

// Message boxes recorded (UTF-8) while the recorder lives.
class BoxRecorder {
 public:
  BoxRecorder() {
    test_support::Backend().SetMessageBoxHook(
        [this](const std::string& text) { m_boxes.push_back(text); });
  }
  ~BoxRecorder() { test_support::Backend().SetMessageBoxHook(nullptr); }
  const std::vector<std::string>& boxes() const { return m_boxes; }

 private:
  std::vector<std::string> m_boxes;
};

// Runs `dialog` modally; `script` runs once its window is up and active. A window the
// script leaves open is ended (with -2) and the test fails.
int RunWith(Dialog& dialog, const std::function<void(QDialog*)>& script) {
  QTimer timer;
  timer.setSingleShot(true);
  QObject::connect(&timer, &QTimer::timeout, [&] {
    auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!window) {
      ADD_FAILURE() << "no modal window";
      dialog.EndDialog(-2);
      return;
    }
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    script(window);
    if (window->isVisible()) {
      ADD_FAILURE() << "the script left the window open";
      dialog.EndDialog(-2);
    }
  });
  timer.start(0);
  return dialog.DoModal();
}

// Types `text` into `widget` one character at a time, as key presses carrying the character
// (QTest::keyClicks knows only Latin-1).
void Type(QWidget* widget, const QString& text) {
  for (qsizetype i = 0; i < text.size();) {
    qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
    QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, text.mid(i, n), Qt::NoModifier);
    i += n;
  }
}

template <class W>
W* Find(QDialog* window, int id) {
  W* w = window->findChild<W*>(QString::number(id));
  EXPECT_NE(w, nullptr) << "control " << id;
  return w;
}

const std::string kEmojiMessage(reinterpret_cast<const char*>(
    u8"「😀」はこのプログラムでは使えない文字です。別の文字にしてください。"));

TEST(QtBackend, TypingAndEnterRunOnOk) {
  TestDialog dialog;
  int result = RunWith(dialog, [](QDialog* w) {
    auto* name = Find<QLineEdit>(w, kName);
    EXPECT_EQ(QApplication::focusWidget(), name);  // the first tab stop
    Type(name, QStringLiteral("taro"));
    QTest::keyClick(name, Qt::Key_Return);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_okRuns, 1);
  EXPECT_EQ(dialog.m_cancelRuns, 0);
  EXPECT_EQ(dialog.m_name, "taro");
}

TEST(QtBackend, EscCloseBoxAndCancelButtonRunOnCancel) {
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

TEST(QtBackend, WindowStaysOpenUntilTheDialogEndsIt) {
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

TEST(QtBackend, WindowBesideOutlivesTheWindowItWasOpenedOver) {
  // The memory book beside the chat window: opened over the modal window, still open when
  // that window closes and goes, and destroyed with its own dialog afterwards (the order of
  // a program's end). It is closed with its owner and deleted once, by its own dialog.
  auto beside = std::make_unique<TestDialog>();
  TestDialog owner;
  int result = RunWith(owner, [&](QDialog* w) {
    ASSERT_TRUE(beside->Create());
    EXPECT_TRUE(beside->IsOpen());
    owner.EndDialog(IDCANCEL);
    EXPECT_EQ(w->findChildren<QDialog*>().size(), 1);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_FALSE(beside->IsOpen());
  beside.reset();
  // A second time round, closed by its own Esc before its owner goes.
  beside = std::make_unique<TestDialog>();
  RunWith(owner, [&](QDialog* w) {
    ASSERT_TRUE(beside->Create());
    QList<QDialog*> shown = w->findChildren<QDialog*>(Qt::FindDirectChildrenOnly);
    ASSERT_EQ(shown.size(), 1);
    QTest::keyClick(Find<QLineEdit>(shown[0], kName), Qt::Key_Escape);
    EXPECT_FALSE(beside->IsOpen());
    owner.EndDialog(IDOK);
  });
  EXPECT_EQ(beside->m_cancelRuns, 1);
}

TEST(QtBackend, WindowTimerFiresInTheWindowsLoopUntilStoppedOrEnded) {
  // The timer fires while the window takes input; stopped, it fires no more; still running
  // when the window ends, it never reaches the dialog afterwards.
  struct Ticking : TestDialog {
    int ticks = 0;
    int stop_at = 3;
    bool started = false;
    bool OnInitDialog() override {
      started = StartTimer(5);
      return TestDialog::OnInitDialog();
    }
    void OnTimer() override {
      if (++ticks == stop_at) StopTimer();
    }
  };
  Ticking dialog;
  RunWith(dialog, [&](QDialog* w) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return dialog.ticks == 3; }, 2000));
    QTest::keyClicks(Find<QLineEdit>(w, kName), "abc");  // the window takes input meanwhile
    QTest::qWait(50);
    EXPECT_EQ(dialog.ticks, 3);
    dialog.EndDialog(IDOK);
  });
  EXPECT_TRUE(dialog.started);

  Ticking endless;
  endless.stop_at = -1;
  RunWith(endless, [&](QDialog*) {
    EXPECT_TRUE(QTest::qWaitFor([&] { return endless.ticks >= 2; }, 2000));
    endless.EndDialog(IDOK);
  });
  const int ticks = endless.ticks;
  QTest::qWait(50);
  EXPECT_EQ(endless.ticks, ticks);
}

TEST(QtBackend, FocusSetWhileStartingIsKept) {
  struct NotesFirst : TestDialog {
    bool OnInitDialog() override {
      TestDialog::OnInitDialog();
      SetDlgItemText(kNotes, "abc");
      Window()->SetFocus(kNotes);
      return false;
    }
  } dialog;
  RunWith(dialog, [&](QDialog* w) {
    auto* notes = Find<QPlainTextEdit>(w, kNotes);
    EXPECT_EQ(QApplication::focusWidget(), notes);
    EXPECT_EQ(notes->textCursor().selectedText(), QStringLiteral("abc"));
    dialog.EndDialog(IDCANCEL);
  });
}

TEST(QtBackend, EndDialogWhileStartingNeverShowsTheWindow) {
  TestDialog dialog;
  dialog.m_endInInit = true;
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtBackend, JapaneseRoundTripsByteForByte) {
  TestDialog dialog;
  const std::string line = S(u8"こんにちは、世界～ｱｲｳ ABC ①Ⅱ");
  const std::string lines = S(u8"一行目\r\n二行目\r\n\r\n四行目");
  std::string typed, typed_lines, program_bytes;
  RunWith(dialog, [&](QDialog* w) {
    auto* name = Find<QLineEdit>(w, kName);
    auto* notes = Find<QPlainTextEdit>(w, kNotes);
    // Set by the program, read back unchanged.
    dialog.SetDlgItemText(kName, line);
    EXPECT_EQ(dialog.GetDlgItemText(kName), line);
    EXPECT_EQ(name->text(), Q(u8"こんにちは、世界～ｱｲｳ ABC ①Ⅱ"));
    dialog.SetDlgItemText(kNotes, lines);
    EXPECT_EQ(notes->toPlainText(), Q(u8"一行目\n二行目\n\n四行目"));
    EXPECT_EQ(dialog.GetDlgItemText(kNotes), lines);
    // Bytes that are not Shift-JIS are shown as a replacement but come back as they were.
    program_bytes = "a\x82 b\xFF";
    dialog.SetDlgItemText(kName, program_bytes);
    EXPECT_EQ(name->text(), Q(u8"a\uFFFD b\uFFFD"));
    EXPECT_EQ(dialog.GetDlgItemText(kName), program_bytes);
    // Typed by the user.
    name->clear();
    Type(name, Q(u8"日本語の行～"));
    typed = dialog.GetDlgItemText(kName);
    notes->moveCursor(QTextCursor::End);
    Type(notes, Q(u8"五"));
    QTest::keyClick(notes, Qt::Key_Return);  // the notes keep Enter
    Type(notes, Q(u8"六"));
    typed_lines = dialog.GetDlgItemText(kNotes);
    dialog.EndDialog(IDOK);
  });
  EXPECT_EQ(typed, std::string("\x93\xFA\x96\x7B\x8C\xEA\x82\xCC\x8D\x73\x81\x60"));
  EXPECT_EQ(typed_lines, lines + S(u8"五\r\n六"));
  EXPECT_EQ(dialog.m_okRuns, 0);
}

TEST(QtBackend, FieldRefusesBytesPastItsLimit) {
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

TEST(QtBackend, ControlCharactersAreNotPassedOnFromALine) {
  TestDialog dialog;
  RunWith(dialog, [](QDialog* w) {
    auto* name = Find<QLineEdit>(w, kName);
    name->insert(QStringLiteral("a\r\nb\tc\x01\x7f") + QChar(0x85) + QStringLiteral("d"));
    QTest::keyClick(name, Qt::Key_Return);
  });
  EXPECT_EQ(dialog.m_name, "ab\tcd");
}

// Puts text into a field past the refusal of typed text, as text that got there some other
// way than typing: the commands still check it.
void PutPastTheRefusal(QWidget* field, const QString& text) {
  if (auto* line = qobject_cast<QLineEdit*>(field)) {
    const QValidator* validator = line->validator();
    line->setValidator(nullptr);
    line->setText(text);
    line->setValidator(validator);
  } else {
    static_cast<QPlainTextEdit*>(field)->setPlainText(text);
  }
}

TEST(QtBackend, UnencodableCharacterIsNamedAndKept) {
  struct Case {
    const char* what;
    int field;
    std::function<void(QDialog*)> command;
  };
  const std::vector<Case> cases = {
      {"Enter in the line", kName,
       [](QDialog* w) { QTest::keyClick(Find<QLineEdit>(w, kName), Qt::Key_Return); }},
      {"OK button, emoji in the notes", kNotes,
       [](QDialog* w) { Find<QPushButton>(w, IDOK)->click(); }},
      {"another button", kName, [](QDialog* w) { Find<QPushButton>(w, kExtra)->click(); }},
      {"menu command", kName,
       [](QDialog* w) {
         for (QAction* a : w->findChildren<QAction*>()) {
           if (a->text() == Q(u8"命令(&C)")) a->trigger();
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    BoxRecorder boxes;
    TestDialog dialog;
    RunWith(dialog, [&](QDialog* w) {
      QWidget* field = w->findChild<QWidget*>(QString::number(c.field));
      PutPastTheRefusal(field, Q(u8"あ😀い"));
      w->findChild<QWidget*>(QString::number(c.field == kName ? kNotes : kName))->setFocus();
      c.command(w);
      ASSERT_EQ(boxes.boxes().size(), 1u);
      EXPECT_EQ(boxes.boxes()[0], kEmojiMessage);
      EXPECT_EQ(dialog.m_okRuns, 0);
      EXPECT_TRUE(dialog.m_commands.empty());
      // The text stays, the field has the focus and the character is selected.
      EXPECT_EQ(QApplication::focusWidget(), field);
      if (auto* line = qobject_cast<QLineEdit*>(field)) {
        EXPECT_EQ(line->text(), Q(u8"あ😀い"));
        EXPECT_EQ(line->selectedText(), Q(u8"😀"));
      } else {
        auto* notes = static_cast<QPlainTextEdit*>(field);
        EXPECT_EQ(notes->toPlainText(), Q(u8"あ😀い"));
        EXPECT_EQ(notes->textCursor().selectedText(), Q(u8"😀"));
      }
      // Replaced by the user, the text goes through.
      Type(field, Q(u8"う"));
      Find<QPushButton>(w, IDOK)->click();
    });
    EXPECT_EQ(dialog.m_okRuns, 1);
    EXPECT_EQ(c.field == kName ? dialog.m_name : dialog.m_notes, S(u8"あうい"));
  }
}

TEST(QtBackend, CancelGoesThroughWithAnUnencodableCharacter) {
  BoxRecorder boxes;
  TestDialog dialog;
  int result = RunWith(dialog, [](QDialog* w) {
    Type(Find<QLineEdit>(w, kName), Q(u8"😀"));
    QTest::keyClick(Find<QLineEdit>(w, kName), Qt::Key_Escape);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_TRUE(boxes.boxes().empty());
}

// A dialog whose OK reads only the name field, as the chat window's send reads only its
// input line.
class NameOnlyDialog : public TestDialog {
 public:
  bool ReadsText(int command, int control) const override {
    return command == IDOK && control == kName;
  }
};

TEST(QtBackend, OnlyTheTextsACommandReadsAreChecked) {
  BoxRecorder boxes;
  NameOnlyDialog dialog;
  RunWith(dialog, [](QDialog* w) {
    PutPastTheRefusal(Find<QPlainTextEdit>(w, kNotes), Q(u8"café"));
    Type(Find<QLineEdit>(w, kName), Q(u8"あ"));
    Find<QPushButton>(w, IDOK)->click();
  });
  EXPECT_EQ(dialog.m_okRuns, 1);
  EXPECT_TRUE(boxes.boxes().empty());
}

TEST(QtBackend, RadioButtonsFollowTheirGroups) {
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

TEST(QtBackend, EnterPressesTheDefaultOrTheFocusedButton) {
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

TEST(QtBackend, AccessKeys) {
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

TEST(QtBackend, MenuBarFromTheTemplate) {
  TestDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    auto* bar = w->findChild<QMenuBar*>();
    ASSERT_NE(bar, nullptr);
    QStringList titles;
    for (QAction* a : bar->actions()) titles << a->text();
    EXPECT_EQ(titles, QStringList({Q(u8"表示(&V)"), Q(u8"その他(&S)")}));
    QMenu* view = bar->actions()[0]->menu();
    ASSERT_EQ(view->actions().size(), 2);
    EXPECT_TRUE(view->actions()[1]->isSeparator());
    QMenu* lower = bar->actions()[1]->menu()->actions()[0]->menu();
    ASSERT_NE(lower, nullptr);
    lower->actions()[0]->trigger();
    view->actions()[0]->trigger();
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(dialog.m_commands, (std::vector<int>{kMenuCommand, 51}));
}

TEST(QtBackend, SystemMenuEntryOnTheWindowsContextMenu) {
  TestDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    QAction* entry = nullptr;
    for (QAction* a : w->findChildren<QAction*>()) {
      if (a->text() == Q(u8"情報(&A)...")) entry = a;
    }
    ASSERT_NE(entry, nullptr);
    entry->trigger();
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(dialog.m_sysCommands, std::vector<int>{kSysEntry});
  EXPECT_TRUE(dialog.m_commands.empty());
}

TEST(QtBackend, MessageBoxTextReachesTheUserAsUtf8) {
  BoxRecorder boxes;
  test_support::Backend().MessageBox(S(u8"一行目\n二行目"));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0], reinterpret_cast<const char*>(u8"一行目\n二行目"));
}

// Every label shows its whole caption, the window has the template's size (a window that
// grows: at least that, and opens at it; any other cannot be resized) and every control lies
// inside it.
void ExpectWholeLayout(QDialog* w, bool grows = false) {
  if (grows) {
    EXPECT_EQ(w->size(), w->minimumSize());
    EXPECT_GT(w->maximumWidth(), w->width());
    EXPECT_GT(w->maximumHeight(), w->height());
  } else {
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
  }
  QWidget* client = Find<QPushButton>(w, IDOK)->parentWidget();
  for (QWidget* c : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    EXPECT_TRUE(client->rect().contains(c->geometry())) << c->objectName().toStdString();
  }
  for (QLabel* label : w->findChildren<QLabel*>()) {
    if (label->text().isEmpty()) continue;
    const QString shown = label->buddy() ? QString(label->text()).remove(u'&') : label->text();
    SCOPED_TRACE(shown.toStdString());
    EXPECT_GE(label->height(), label->heightForWidth(label->width()) - 1);
    if (!label->wordWrap()) {
      EXPECT_GE(label->width(), label->fontMetrics().horizontalAdvance(shown));
    }
  }
  for (QRadioButton* radio : w->findChildren<QRadioButton*>()) {
    EXPECT_GE(radio->width(), radio->sizeHint().width()) << radio->text().toStdString();
  }
}

TEST(QtBackend, TestTemplateLayout) {
  TestDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    ExpectWholeLayout(w);
    EXPECT_EQ(w->windowTitle(), Q(u8"テスト"));
    dialog.EndDialog(IDCANCEL);
  });
}

// The first-run setup dialog's template with the exchange it is used with.
class SetupLikeDialog : public Dialog {
 public:
  SetupLikeDialog() : Dialog(res::SetupTemplate(), test_support::Backend()) {}
  int m_nLogMode = 1;
  std::string m_strUserName, m_strNickname;
  int m_okRuns = 0;

 protected:
  void OnOK() override {
    ++m_okRuns;
    Dialog::OnOK();
  }
  void DoDataExchange(DataExchange& dx) override {
    DDX_Radio(dx, IDC_LOG_NONE, m_nLogMode);
    DDX_Text(dx, IDC_SETUP_USER_NAME, m_strUserName);
    DDV_MaxChars(dx, m_strUserName, 100);
    DDX_Text(dx, IDC_SETUP_RINU_NAME, m_strNickname);
    DDV_MaxChars(dx, m_strNickname, 100);
  }
};

TEST(QtBackend, SetupTemplate) {
  SetupLikeDialog dialog;
  int result = RunWith(dialog, [&](QDialog* w) {
    ExpectWholeLayout(w);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Rinu Setup"));
    EXPECT_EQ(w->font().family(), QStringLiteral("IPAGothic"));  // the fixed gothic
    EXPECT_TRUE(Find<QRadioButton>(w, IDC_SETUP_LOG_HTML)->isChecked());
    EXPECT_TRUE(Find<QPushButton>(w, IDOK)->isDefault());
    auto* user = Find<QLineEdit>(w, IDC_SETUP_USER_NAME);
    auto* nick = Find<QLineEdit>(w, IDC_SETUP_RINU_NAME);
    EXPECT_EQ(QApplication::focusWidget(), user);
    for (int i = 0; i < 51; ++i) Type(user, Q(u8"名"));
    EXPECT_EQ(user->text().size(), 50);
    QTest::keyClick(user, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), nick);
    Type(nick, Q(u8"みお"));
    QTest::keyClick(nick, Qt::Key_Tab);  // into the group, on its checked button
    EXPECT_EQ(QApplication::focusWidget(), Find<QRadioButton>(w, IDC_SETUP_LOG_HTML));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
  });
  EXPECT_EQ(result, IDOK);
  EXPECT_EQ(dialog.m_okRuns, 1);
  EXPECT_EQ(dialog.m_strUserName.size(), 100u);
  EXPECT_EQ(dialog.m_strUserName.substr(0, 2), S(u8"名"));
  EXPECT_EQ(dialog.m_strNickname, S(u8"みお"));
  EXPECT_EQ(dialog.m_nLogMode, 2);
}

TEST(QtBackend, SetupTemplateHasNoCancelButtonYetEscCancels) {
  SetupLikeDialog dialog;
  int result = RunWith(dialog, [](QDialog* w) {
    Type(Find<QLineEdit>(w, IDC_SETUP_USER_NAME), Q(u8"たろう"));
    QTest::keyClick(Find<QLineEdit>(w, IDC_SETUP_USER_NAME), Qt::Key_Escape);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_okRuns, 0);
  EXPECT_TRUE(dialog.m_strUserName.empty());
  EXPECT_EQ(dialog.m_nLogMode, 1);
}

// The chat window's template: what a turn needs of it.
constexpr const char8_t* kAboutEntry = u8"Rinu++ のﾊﾞｰｼﾞｮﾝ情報(&A)...";
class ChatLikeDialog : public Dialog {
 public:
  ChatLikeDialog() : Dialog(res::ChatTemplate(), test_support::Backend()) {}
  std::vector<std::string> m_inputs;
  std::vector<int> m_sysCommands;
  int m_cancelRuns = 0;
  bool m_focusInputAfterTurn = false;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    Window()->AppendSystemMenuItem(IDM_ABOUTBOX, S(kAboutEntry));
    SetIcon(&res::ChatIcon());
    return true;
  }
  void OnOK() override {
    m_inputs.push_back(GetDlgItemText(IDC_INPUT));
    SetDlgItemText(IDC_INPUT, "");
    if (m_focusInputAfterTurn) Window()->SetFocus(IDC_INPUT);
  }
  void OnCancel() override {
    ++m_cancelRuns;
    Dialog::OnCancel();
  }
  void OnSysCommand(int id) override { m_sysCommands.push_back(id); }
};

TEST(QtBackend, ChatTemplate) {
  ChatLikeDialog dialog;
  int result = RunWith(dialog, [&](QDialog* w) {
    ExpectWholeLayout(w, true);
    EXPECT_EQ(w->windowTitle(), QStringLiteral("Rinu++"));
    EXPECT_EQ(w->font().family(), QStringLiteral("IPAPGothic"));
    EXPECT_EQ(w->findChild<QMenuBar*>()->actions().size(), 3);
    auto* input = Find<QLineEdit>(w, IDC_INPUT);
    auto* transcript = Find<QPlainTextEdit>(w, IDC_TRANSCRIPT);
    EXPECT_EQ(QApplication::focusWidget(), input);
    EXPECT_TRUE(Find<QLineEdit>(w, IDC_YOUR_NAME)->isReadOnly());
    EXPECT_TRUE(Find<QLineEdit>(w, IDC_RINU_NAME)->isReadOnly());
    EXPECT_FALSE(transcript->isReadOnly());
    Type(input, Q(u8"こんにちは"));
    QTest::keyClick(input, Qt::Key_Return);
    EXPECT_TRUE(input->text().isEmpty());
    // Enter in the transcript is a line break there, not a turn.
    transcript->setFocus();
    QTest::keyClick(transcript, Qt::Key_Return);
    EXPECT_EQ(transcript->toPlainText(), QStringLiteral("\n"));
    input->setFocus();
    QTest::keyClick(input, Qt::Key_Return);  // an empty line is a turn too
    QTest::keyClick(input, Qt::Key_Escape);
  });
  EXPECT_EQ(result, IDCANCEL);
  EXPECT_EQ(dialog.m_inputs, (std::vector<std::string>{S(u8"こんにちは"), ""}));
}

TEST(QtBackend, ChatWindowTakesLettersAsTextNeverAsAccessKeys) {
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

// Right-clicks `target` (at its centre) and returns the texts of the menu that opens, "-"
// for a separator; the menu is closed again.
QStringList RightClickMenu(QWidget* target) {
  const QPoint at = target->rect().center();
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
  QApplication::sendEvent(target, &event);
  QStringList texts;
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (!menu) return texts;
  for (QAction* a : menu->actions()) texts << (a->isSeparator() ? QStringLiteral("-") : a->text());
  menu->close();
  return texts;
}

TEST(QtBackend, ChatWindowMenuOnARightClickOutsideTheEditFields) {
  const QString about = Q(kAboutEntry);
  const QStringList window_menu = {Q(u8"最小化(&N)"), Q(u8"閉じる(&C)"), QStringLiteral("-"),
                                   about};
  ChatLikeDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    QWidget* client = Find<QPushButton>(w, IDOK)->parentWidget();
    QLabel* label = nullptr;
    for (QLabel* l : w->findChildren<QLabel*>()) {
      if (l->text() == QStringLiteral("YourName:")) label = l;
    }
    ASSERT_NE(label, nullptr);
    const std::vector<std::pair<const char*, QWidget*>> outside = {
        {"send button", Find<QPushButton>(w, IDOK)},
        {"quit button", Find<QPushButton>(w, IDCANCEL)},
        {"label", label},
        {"user's name", Find<QLineEdit>(w, IDC_YOUR_NAME)},
        {"persona's name", Find<QLineEdit>(w, IDC_RINU_NAME)},
        {"menu bar", w->findChild<QMenuBar*>()},
        {"background", client},
    };
    for (const auto& [what, widget] : outside) {
      EXPECT_EQ(RightClickMenu(widget), window_menu) << what;
    }
    // The two edit fields keep their own menu, in Japanese under every locale.
    const std::vector<std::pair<const char*, QWidget*>> fields = {
        {"input", Find<QLineEdit>(w, IDC_INPUT)},
        {"transcript", Find<QPlainTextEdit>(w, IDC_TRANSCRIPT)->viewport()},
    };
    for (const auto& [what, widget] : fields) {
      QStringList texts = RightClickMenu(widget);
      EXPECT_FALSE(texts.contains(about)) << what;
      EXPECT_TRUE(std::any_of(texts.begin(), texts.end(),
                              [](const QString& t) { return t.startsWith(Q(u8"コピー(&C)")); }))
          << what << ": " << texts.join(u'|').toStdString();
    }
    // Its entries: the About entry goes to the dialog, 閉じる is the close box.
    const QPoint at = client->rect().center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, client->mapToGlobal(at));
    QApplication::sendEvent(client, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->actions()[3]->trigger();
    menu->close();
    EXPECT_EQ(dialog.m_sysCommands, std::vector<int>{IDM_ABOUTBOX});
    QApplication::sendEvent(client, &event);
    menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    menu->actions()[1]->trigger();
    menu->close();
  });
  EXPECT_EQ(dialog.m_cancelRuns, 1);
}

TEST(QtBackend, ChatWindowCarriesItsIconAtEverySize) {
  ChatLikeDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    std::vector<int> sizes;
    for (const QSize& size : w->windowIcon().availableSizes()) {
      EXPECT_EQ(size.width(), size.height());
      sizes.push_back(size.width());
    }
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 24, 32, 48, 64, 128, 256}));
    dialog.EndDialog(IDCANCEL);
  });
}

TEST(QtBackend, ShellOpenReportsAFileThatIsNotThere) {
  // The tests run where nothing opens files (Qt's offscreen platform); what matters here is
  // that a missing file is reported, not handed on.
  EXPECT_FALSE(test_support::Backend().ShellOpen("no-such-help-page.html"));
}

// The sizes of the chat window and the setup dialog, printed as one line for
// locale_sizes_test.cmake, which runs this test under several locales and compares them.
TEST(QtBackend, WindowSizes) {
  ChatLikeDialog chat;
  QSize chat_size, setup_size;
  RunWith(chat, [&](QDialog* w) {
    ExpectWholeLayout(w, true);
    chat_size = w->size();
    chat.EndDialog(IDCANCEL);
  });
  SetupLikeDialog setup;
  RunWith(setup, [&](QDialog* w) {
    ExpectWholeLayout(w);
    setup_size = w->size();
    setup.EndDialog(IDCANCEL);
  });
  EXPECT_FALSE(chat_size.isEmpty());
  EXPECT_FALSE(setup_size.isEmpty());
  std::cout << "window sizes: chat " << chat_size.width() << "x" << chat_size.height() << " setup "
            << setup_size.width() << "x" << setup_size.height() << std::endl;
}

// The memory book's template with a list of a million rows: the view asks only for what it
// draws, and selection, double-click, Enter and typing reach the dialog.
class ListDialog : public Dialog {
 public:
  struct Rows : ListModel {
    size_t count = 1000000;
    mutable size_t asked = 0;
    int ColumnCount() const override { return 2; }
    ListColumn Column(int column) const override {
      return {column == 0 ? S(u8"行") : S(u8"応答"), 40};
    }
    size_t RowCount() const override { return count; }
    std::string CellText(size_t row, int column) const override {
      ++asked;
      return std::to_string(row) + (column == 0 ? "" : S(u8"番目"));
    }
  } m_rows;
  std::vector<std::pair<int, Notify>> m_notes;
  std::vector<std::string> m_searches;

  ListDialog() : Dialog(res::MemoryBookTemplate(), test_support::Backend()) {}

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    Window()->SetListModel(IDC_BOOK_LIST, &m_rows);
    return true;
  }
  void OnNotify(int id, Notify code) override {
    m_notes.emplace_back(id, code);
    if (code == Notify::kEditChange) m_searches.push_back(GetDlgItemText(id));
  }
};

TEST(QtBackend, ListShowsAMillionRowsAndReportsWhatTheUserDoes) {
  ListDialog dialog;
  std::vector<size_t> picked, after_change;
  RunWith(dialog, [&](QDialog* w) {
    auto* view = Find<QTableView>(w, IDC_BOOK_LIST);
    ASSERT_NE(view, nullptr);
    QWidget* client = view->parentWidget();
    for (QWidget* c : client->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
      EXPECT_TRUE(client->rect().contains(c->geometry())) << c->objectName().toStdString();
    }
    EXPECT_EQ(view->model()->rowCount(), 1000000);
    EXPECT_EQ(view->model()->headerData(1, Qt::Horizontal), QVariant(Q(u8"応答")));
    EXPECT_LT(dialog.m_rows.asked, 1000u);  // only the rows in sight
    Type(Find<QLineEdit>(w, IDC_BOOK_SEARCH), QStringLiteral("ab"));
    // The program selects rows far down; the user adds one with Ctrl and double-clicks it.
    dialog.Window()->SetListSelection(IDC_BOOK_LIST, {999998, 500000, 500001});
    EXPECT_EQ(view->currentIndex().row(), 500000);
    view->scrollToTop();
    const QRect second = view->visualRect(view->model()->index(2, 1));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
    picked = dialog.Window()->GetListSelection(IDC_BOOK_LIST);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, second.center());
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Return);
    EXPECT_TRUE(w->isVisible());  // Enter on a row activates it and closes nothing
    dialog.m_rows.count = 3;
    dialog.Window()->ListChanged(IDC_BOOK_LIST);
    EXPECT_EQ(view->model()->rowCount(), 3);
    after_change = dialog.Window()->GetListSelection(IDC_BOOK_LIST);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_EQ(picked, (std::vector<size_t>{2, 500000, 500001, 999998}));
  EXPECT_TRUE(after_change.empty());
  EXPECT_EQ(dialog.m_searches, (std::vector<std::string>{"a", "ab"}));
  // Typing twice, the Ctrl-click (the program's own selecting is not reported), whatever
  // Qt makes of the double-click's presses, then the double-click and Enter.
  using N = std::pair<int, Notify>;
  ASSERT_GE(dialog.m_notes.size(), 5u);
  EXPECT_EQ(std::vector<N>(dialog.m_notes.begin(), dialog.m_notes.begin() + 3),
            (std::vector<N>{{IDC_BOOK_SEARCH, Notify::kEditChange},
                            {IDC_BOOK_SEARCH, Notify::kEditChange},
                            {IDC_BOOK_LIST, Notify::kListSelectionChange}}));
  EXPECT_EQ(std::vector<N>(dialog.m_notes.end() - 2, dialog.m_notes.end()),
            (std::vector<N>(2, {IDC_BOOK_LIST, Notify::kListActivate})));
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

TEST(QtBackend, KeysReachTheDialogBeforeTheControlAndTabSelectsAListRow) {
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

// Typed, pasted, dropped or composed text with a character code page 932 cannot hold is
// refused where it comes in, in every editable field: the field keeps its text and the user
// hears which character it was.
TEST(QtBackend, FieldsRefuseUnencodableCharactersAsTheyComeIn) {
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

TEST(QtBackend, ConfirmAsksOkOrCancel) {
  std::vector<std::string> asked;
  test_support::Backend().SetConfirmHook([&](const std::string& text) {
    asked.push_back(text);
    return asked.size() == 1;
  });
  EXPECT_TRUE(test_support::Backend().Confirm(S(u8"消しますか？")));
  EXPECT_FALSE(test_support::Backend().Confirm("2"));
  test_support::Backend().SetConfirmHook(nullptr);
  EXPECT_EQ(asked,
            (std::vector<std::string>{reinterpret_cast<const char*>(u8"消しますか？"), "2"}));
}

// The windows that grow. Each test starts with nothing remembered (see qt_test_main.cc).

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

TEST(QtBackend, ChatWindowGrowsAndComesBackAtItsPlaceAndSize) {
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

int PointSize(QDialog* w, int id) { return Find<QWidget>(w, id)->font().pointSize(); }

TEST(QtBackend, TextSizeKeysChangeTheTranscriptWithinBoundsAndAreRemembered) {
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

TEST(QtBackend, MemoryBookListTakesTheTextSizeAndRoom) {
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

TEST(QtBackend, DamagedWindowMemoryIsIgnoredAndWrittenAfresh) {
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

TEST(QtBackend, RememberedPlaceOffTheScreenOrTooLargeOpensOnTheScreen) {
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
