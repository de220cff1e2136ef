// The controls as the factory makes them: what single-line and multi-line edits let the user put
// in, radio buttons in their groups, and the names a screen reader hears.
#include "ui/qt/qt_control_factory.h"

#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>
#include <QTest>
#include <QTimer>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "res/resource.h"
#include "res/templates.h"
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

TEST(QtControlFactory, CheckBoxTicksWithItsAccessKeyAndIsReadBack) {
  // The duet window's only check box, on its own template; Alt+K ticks it, a click clears it.
  struct CheckDialog : Dialog {
    CheckDialog() : Dialog(res::DuetTemplate(), test_support::Backend()) {}
    bool copy = true;
    void DoDataExchange(DataExchange& dx) override { DDX_Check(dx, IDC_DUET_COPY_MEMORY, copy); }
  } dialog;
  RunWith(dialog, [&](QDialog* w) {
    auto* box = Find<QCheckBox>(w, IDC_DUET_COPY_MEMORY);
    EXPECT_TRUE(box->isChecked());  // loaded from the field
    box->click();
    EXPECT_FALSE(box->isChecked());
    QTest::keyClick(w, Qt::Key_K, Qt::AltModifier);
    // An access key clicks the way a click looks: a moment later.
    for (int i = 0; i < 100 && !box->isChecked(); ++i) QTest::qWait(10);
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(dialog.Window()->IsChecked(IDC_DUET_COPY_MEMORY));
    box->click();
    dialog.UpdateData(true);
    dialog.EndDialog(IDCANCEL);
  });
  EXPECT_FALSE(dialog.copy);
}

// What a screen reader finds in a window, through Qt's accessibility interface: the controls
// that take input or show text (edits, lists, buttons, radio buttons, group boxes) without a
// name, each as "class objectName".
void CollectUnnamed(QAccessibleInterface* node, QStringList* unnamed) {
  static const std::set<QAccessible::Role> kControls = {
      QAccessible::EditableText, QAccessible::Table,       QAccessible::List,
      QAccessible::Tree,         QAccessible::ComboBox,    QAccessible::SpinBox,
      QAccessible::CheckBox,     QAccessible::RadioButton, QAccessible::PushButton};
  if (!node) return;
  const bool control = kControls.count(node->role()) || (node->role() == QAccessible::Grouping &&
                                                         qobject_cast<QGroupBox*>(node->object()));
  if (control && node->text(QAccessible::Name).trimmed().isEmpty()) {
    const QObject* object = node->object();
    *unnamed << (object ? QString::fromLatin1(object->metaObject()->className()) + u' ' +
                              object->objectName()
                        : QString::number(node->role()));
  }
  for (int i = 0; i < node->childCount(); ++i) CollectUnnamed(node->child(i), unnamed);
}

std::string UnnamedControls(QWidget* window) {
  QStringList unnamed;
  CollectUnnamed(QAccessible::queryAccessibleInterface(window), &unnamed);
  return unnamed.join(u',').toStdString();
}

// The name of control `id` as a screen reader hears it, in UTF-8.
std::string AccessibleName(QDialog* w, int id) {
  QAccessibleInterface* node = QAccessible::queryAccessibleInterface(Find<QWidget>(w, id));
  return node ? node->text(QAccessible::Name).toStdString() : "no control";
}

std::string U8(const char8_t* utf8) { return reinterpret_cast<const char*>(utf8); }

// The modal window that opens while `show` runs: its unnamed controls; it is closed again.
std::string UnnamedInModal(const std::function<void()>& show) {
  std::string unnamed = "no window";
  QTimer::singleShot(0, [&] {
    auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (!box) return;
    unnamed = UnnamedControls(box);
    box->reject();
  });
  show();
  return unnamed;
}

TEST(QtControlFactory, EveryControlThatTakesInputOrShowsTextHasAName) {
  const std::vector<const DialogTemplate*> templates = {&res::AboutTemplate(),
                                                        &res::ChatTemplate(),
                                                        &res::SetupTemplate(),
                                                        &res::SettingsTemplate(),
                                                        &res::LearnTemplate(),
                                                        &res::ForgetKeywordTemplate(),
                                                        &res::ForgetChoiceTemplate(),
                                                        &res::MemoryBookTemplate(),
                                                        &res::BookEditTemplate(),
                                                        &res::DuetTemplate(),
                                                        &TestTemplate()};
  for (const DialogTemplate* t : templates) {
    SCOPED_TRACE(t->id);
    Dialog dialog(*t, Backend());
    std::string unnamed = "not run";
    std::map<int, std::string> names;
    RunWith(dialog, [&](QDialog* w) {
      unnamed = UnnamedControls(w);
      if (t == &res::ChatTemplate()) {
        for (int id : {IDC_TRANSCRIPT, IDC_INPUT, IDC_YOUR_NAME, IDC_RINU_NAME, IDOK}) {
          names[id] = AccessibleName(w, id);
        }
      }
      dialog.EndDialog(IDCANCEL);
    });
    // The test template has no label before its multi-line edits, and no names for them.
    EXPECT_EQ(unnamed,
              t == &TestTemplate() ? "QPlainTextEdit 11,QPlainTextEdit 12,QPlainTextEdit 13" : "");
    if (t == &res::ChatTemplate()) {
      // Each field by the label on its left, the two without one by a name of their own;
      // the buttons by their captions.
      EXPECT_EQ(names, (std::map<int, std::string>{{IDC_TRANSCRIPT, U8(u8"会話")},
                                                   {IDC_INPUT, U8(u8"入力")},
                                                   {IDC_YOUR_NAME, "YourName:"},
                                                   {IDC_RINU_NAME, "Rinu's Name:"},
                                                   {IDOK, U8(u8"送信(O)")}}));
    }
  }
  // The message box and the question: their text and their buttons.
  EXPECT_EQ(UnnamedInModal([] { Backend().MessageBox(S(u8"一行目\n二行目")); }), "");
  EXPECT_EQ(UnnamedInModal([] { Backend().Confirm(S(u8"消しますか？")); }), "");
}

}  // namespace
}  // namespace ui::qt
