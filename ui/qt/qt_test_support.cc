#include "ui/qt/qt_test_support.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

namespace ui::qt::test_support {

namespace {

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

}  // namespace

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

void ExpectWholeLayout(QDialog* w, bool grows) {
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

int PointSize(QDialog* w, int id) { return Find<QWidget>(w, id)->font().pointSize(); }

}  // namespace ui::qt::test_support
