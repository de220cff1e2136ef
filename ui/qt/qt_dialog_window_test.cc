// A template made into a window and run: commands, texts set and read, what commands check,
// timers, windows beside others, menus, the program's templates laid out whole.
#include "ui/qt/qt_dialog_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "ui/qt/qt_test_support.h"

namespace ui::qt {
namespace {

using namespace test_support;

TEST(QtDialogWindow, TypingAndEnterRunOnOk) {
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

TEST(QtDialogWindow, WindowBesideOutlivesTheWindowItWasOpenedOver) {
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

TEST(QtDialogWindow, WindowTimerFiresInTheWindowsLoopUntilStoppedOrEnded) {
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

TEST(QtDialogWindow, FocusSetWhileStartingIsKept) {
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

TEST(QtDialogWindow, EndDialogWhileStartingNeverShowsTheWindow) {
  TestDialog dialog;
  dialog.m_endInInit = true;
  EXPECT_EQ(dialog.DoModal(), 7);
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST(QtDialogWindow, JapaneseRoundTripsByteForByte) {
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

TEST(QtDialogWindow, UnencodableCharacterIsNamedAndKept) {
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

TEST(QtDialogWindow, CancelGoesThroughWithAnUnencodableCharacter) {
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

TEST(QtDialogWindow, OnlyTheTextsACommandReadsAreChecked) {
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

TEST(QtDialogWindow, MenuBarFromTheTemplate) {
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

TEST(QtDialogWindow, SystemMenuEntryOnTheWindowsContextMenu) {
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

TEST(QtDialogWindow, TestTemplateLayout) {
  TestDialog dialog;
  RunWith(dialog, [&](QDialog* w) {
    ExpectWholeLayout(w);
    EXPECT_EQ(w->windowTitle(), Q(u8"テスト"));
    dialog.EndDialog(IDCANCEL);
  });
}

TEST(QtDialogWindow, SetupTemplate) {
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

TEST(QtDialogWindow, SetupTemplateHasNoCancelButtonYetEscCancels) {
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

TEST(QtDialogWindow, ChatTemplate) {
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

TEST(QtDialogWindow, ChatWindowMenuOnARightClickOutsideTheEditFields) {
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

TEST(QtDialogWindow, ChatWindowCarriesItsIconAtEverySize) {
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

// The sizes of the chat window and the setup dialog, printed as one line for
// locale_sizes_test.cmake, which runs this test under several locales and compares them.
TEST(QtDialogWindow, WindowSizes) {
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

}  // namespace
}  // namespace ui::qt
