// A window to look at by hand: a chat-like dialog with a menu, every control kind and
// Japanese captions, and a second dialog with a radio group, a group box and an icon.
// Usage: rinu_ui_qt_demo [second | 102 | 133]   ("second" opens the second dialog first;
// 102 and 133 show the program's chat window and setup dialog templates, filled in).
#include <QApplication>
#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <cstring>

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/qt/qt_backend.h"
#include "ui/text_codec.h"

namespace {

using ui::ControlKind;

// Shift-JIS bytes, as the program holds its texts.
std::string S(const char8_t* utf8) {
  return ui::Utf8ToSjis(reinterpret_cast<const char*>(utf8)).text;
}

ui::IconResource MakeIcon() {
  ui::IconResource icon{1, {}};
  for (int size : {16, 32}) {
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setBrush(QColor(255, 160, 190));
    painter.drawEllipse(1, 1, size - 2, size - 2);
    painter.end();
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    icon.images.push_back({size, 32, png.toStdString()});
  }
  return icon;
}

const ui::IconResource& DemoIcon() {
  static const ui::IconResource icon = MakeIcon();
  return icon;
}

const ui::MenuTemplate& DemoMenu() {
  static const ui::MenuTemplate menu{
      1,
      {{S(u8"表示(&V)"),
        0,
        {{S(u8"LOGを表示(&L)"), 101, {}}, {"", 0, {}}, {S(u8"設定(&S)"), 102, {}}}},
       {S(u8"その他(&S)"),
        0,
        {{S(u8"スペシャルサンクス(&T)"),
          0,
          {{S(u8"サイト(&K)"), 103, {}}, {"", 0, {}}, {S(u8"について(&A)"), 104, {}}}}}}}};
  return menu;
}

const ui::DialogTemplate& ChatLike() {
  static const ui::DialogTemplate t{
      1,
      S(u8"Rinu++ デモ"),
      S(u8"ＭＳ Ｐゴシック"),
      9,
      251,
      181,
      ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgMinimizeBox | ui::kDlgAppWindow,
      &DemoMenu(),
      {
          {ui::IDOK, ControlKind::kDefPushButton, S(u8"送信(&O)"), {37, 160, 50, 14}, 0, nullptr},
          {ui::IDCANCEL, ControlKind::kPushButton, S(u8"終了(&E)"), {138, 160, 50, 14}, 0, nullptr},
          {1000,
           ControlKind::kEdit,
           "",
           {6, 42, 238, 114},
           ui::kMultiline | ui::kVScroll | ui::kHScroll | ui::kWantReturn | ui::kBorder,
           nullptr},
          {1001,
           ControlKind::kEdit,
           "",
           {6, 22, 238, 15},
           ui::kAutoHScroll | ui::kBorder | ui::kTabStop,
           nullptr},
          {ui::IDC_STATIC, ControlKind::kStatic, "YourName:", {27, 8, 32, 8}, 0, nullptr},
          {1013,
           ControlKind::kEdit,
           "",
           {60, 8, 65, 12},
           ui::kReadOnly | ui::kAutoHScroll,
           nullptr},
          {ui::IDC_STATIC, ControlKind::kStatic, "Rinu's Name:", {133, 8, 40, 8}, 0, nullptr},
          {1025,
           ControlKind::kEdit,
           "",
           {174, 8, 70, 12},
           ui::kReadOnly | ui::kAutoHScroll,
           nullptr},
      }};
  return t;
}

const ui::DialogTemplate& SetupLike() {
  static const ui::DialogTemplate t{
      2,
      "Rinu Setup",
      S(u8"ＭＳ ゴシック"),
      9,
      220,
      217,
      ui::kDlgModalFrame | ui::kDlgCaption | ui::kDlgSysMenu,
      nullptr,
      {
          {ui::IDC_STATIC, ControlKind::kIcon, "", {190, 5, 20, 20}, 0, &DemoIcon()},
          {ui::IDC_STATIC,
           ControlKind::kStatic,
           "Rinu Setup",
           {7, 13, 206, 12},
           ui::kCenter,
           nullptr},
          {ui::IDC_STATIC,
           ControlKind::kStatic,
           S(u8"最初の設定を行います。ここで行った設定を変更したい場合はメニューの操作から設定を選"
             u8"んで"
             u8"ください。"),
           {7, 34, 206, 23},
           0,
           nullptr},
          {ui::IDC_STATIC,
           ControlKind::kStatic,
           S(u8"あなたの名前(&Y)"),
           {7, 68, 61, 8},
           0,
           nullptr},
          {1002,
           ControlKind::kEdit,
           "",
           {110, 63, 93, 13},
           ui::kBorder | ui::kAutoHScroll | ui::kTabStop,
           nullptr},
          {ui::IDC_STATIC,
           ControlKind::kStatic,
           S(u8"Rinuのニックネーム(&H)"),
           {7, 91, 85, 8},
           0,
           nullptr},
          {1003,
           ControlKind::kEdit,
           "",
           {110, 85, 93, 14},
           ui::kBorder | ui::kAutoHScroll | ui::kTabStop,
           nullptr},
          {1007,
           ControlKind::kRadioButton,
           S(u8"ログは書かない(&N)"),
           {14, 123, 88, 13},
           ui::kGroup | ui::kTabStop,
           nullptr},
          {1008,
           ControlKind::kRadioButton,
           S(u8"HTML形式でLOGを書く(&M)"),
           {14, 141, 155, 13},
           0,
           nullptr},
          {1009,
           ControlKind::kRadioButton,
           S(u8"TEXT形式でLOGを書く(&T)"),
           {14, 161, 155, 11},
           0,
           nullptr},
          {1010,
           ControlKind::kGroupBox,
           S(u8"LOGモードの設定"),
           {7, 109, 206, 68},
           ui::kGroup,
           nullptr},
          {ui::IDOK,
           ControlKind::kDefPushButton,
           "OK(&O)",
           {67, 189, 50, 14},
           ui::kTabStop,
           nullptr},
      }};
  return t;
}

class SetupLikeDialog : public ui::Dialog {
 public:
  SetupLikeDialog() : ui::Dialog(SetupLike()) {}
  std::string m_name, m_nick;
  int m_mode = 1;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override {
    ui::DDX_Radio(dx, 1007, m_mode);
    ui::DDX_Text(dx, 1002, m_name);
    ui::DDV_MaxChars(dx, m_name, 100);
    ui::DDX_Text(dx, 1003, m_nick);
    ui::DDV_MaxChars(dx, m_nick, 100);
  }
};

class ChatLikeDialog : public ui::Dialog {
 public:
  ChatLikeDialog() : ui::Dialog(ChatLike()) {}
  std::string m_transcript = S(u8"みお>たろう君こんにちは。");

 protected:
  bool OnInitDialog() override {
    ui::Dialog::OnInitDialog();
    SetDlgItemText(1000, m_transcript);
    SetDlgItemText(1013, S(u8"たろう"));
    SetDlgItemText(1025, S(u8"みお"));
    return true;
  }
  void OnOK() override {
    std::string input = GetDlgItemText(1001);
    m_transcript =
        S(u8"みお>「") + input + S(u8"」ですね～\nたろう>") + input + "\n" + m_transcript;
    std::string shown;
    for (char c : m_transcript) {
      if (c == '\n') shown += '\r';
      shown += c;
    }
    SetDlgItemText(1000, shown);
    SetDlgItemText(1001, "");
  }
  bool OnCommand(int id) override {
    if (id == 102) {
      SetupLikeDialog setup;
      setup.DoModal();
    } else {
      ui::MessageBox(S(u8"メニューの項目です。\n二行目です。"));
    }
    return true;
  }
};

// One of the program's own templates with sample texts in its fields.
class SampleDialog : public ui::Dialog {
 public:
  explicit SampleDialog(const ui::DialogTemplate& t) : ui::Dialog(t) {}

 protected:
  bool OnInitDialog() override {
    SetDlgItemText(IDC_TRANSCRIPT, S(u8"みお>「こんにちは」ですね～\r\nたろう>こんにちは\r\n"
                                     u8"みお>たろう君こんにちは。"));
    SetDlgItemText(IDC_YOUR_NAME, S(u8"たろう"));
    SetDlgItemText(IDC_RINU_NAME, S(u8"みお"));
    if (Window()) Window()->SetChecked(IDC_SETUP_LOG_HTML, true);
    return true;
  }
};

}  // namespace

int main(int argc, char** argv) {
  ui::qt::QtBackend backend(argc, argv);
  ui::SetBackend(&backend);
  const char* which = argc > 1 ? argv[1] : "";
  if (std::strcmp(which, "102") == 0 || std::strcmp(which, "133") == 0) {
    SampleDialog sample(which[1] == '0' ? res::ChatTemplate() : res::SetupTemplate());
    sample.SetIcon(&res::ChatIcon());
    sample.DoModal();
    ui::SetBackend(nullptr);
    return 0;
  }
  if (std::strcmp(which, "second") == 0) {
    SetupLikeDialog setup;
    setup.DoModal();
  }
  ChatLikeDialog chat;
  chat.SetIcon(&DemoIcon());
  chat.DoModal();
  ui::SetBackend(nullptr);
  return 0;
}
