// The chat window (template 102) and its menu (132).
#include <string>

#include "res/links.h"
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const MenuTemplate& ChatMenu() {
  static const MenuTemplate menu{
      IDR_CHAT_MENU,
      {
          {"表示(&V)",
           0,
           {
               {"LOGを表示(&L)", ID_SHOW_LOG, {}},
               {},
               {"設定(&S)", ID_SETTINGS, {}},
               {"HELPを見る(&H)", ID_HELP_PAGE, {}},
               {"バージョン情報(&V)", ID_VERSION, {}},
           }},
          {"メモリー(&M)",
           0,
           {
               {"覚えさせる(&L)", ID_LEARN, {}},
               {"忘れさせる(&F)", ID_FORGET, {}},
               {},
               {"メモリー帳を開く(&B)...", ID_MEMORY_BOOK, {}},
               {"ふたりで会話させる(&W)...", ID_DUET, {}},
           }},
          {"その他(&S)",
           0,
           {
               {std::string(kMakerSiteName) + "のホームページ(&H)", ID_HOME_PAGE, {}},
               {"Rinu++のページ(&H)", ID_RINU_PAGE, {}},
               {"Wexにメール(&M)", ID_MAIL_WEX, {}},
               {},
               {"スペシャルサンクス(&T)",
                0,
                {
                    {kThanksSites[0].caption, ID_THANKS_SITE_1, {}},
                    {kThanksSites[1].caption, ID_THANKS_SITE_2, {}},
                    {kThanksSites[2].caption, ID_THANKS_SITE_3, {}},
                    {},
                    {"スペシャルサンクスについて(&A)", ID_ABOUT_THANKS, {}},
                }},
           }},
      }};
  return menu;
}

const DialogTemplate& ChatTemplate() {
  static const DialogTemplate tmpl{
      IDD_CHAT_DIALOG,
      "Rinu++",
      "ＭＳ Ｐゴシック",
      9,
      251,
      181,
      // Whatever has the focus, typing is never taken for 送信(&O) or 終了(&E).
      kDlgCaption | kDlgSysMenu | kDlgMinimizeBox | kDlgAppWindow | kDlgAltAccessKeys,
      &ChatMenu(),
      {
          // The window grows from the template's size: the transcript takes the room, the
          // input line widens, the buttons stay with the bottom edge (送信 at the left, 終了
          // with the right edge, so they keep the template's spread), the names stay put. No
          // label stands before the transcript or the input line: they carry names of their
          // own for screen readers.
          {IDOK,
           ControlKind::kDefPushButton,
           "送信(&O)",
           {37, 160, 50, 14},
           0,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDCANCEL,
           ControlKind::kPushButton,
           "終了(&E)",
           {138, 160, 50, 14},
           0,
           nullptr,
           kAnchorRight | kAnchorBottom},
          {IDC_TRANSCRIPT,
           ControlKind::kEdit,
           "",
           {6, 42, 238, 114},
           kMultiline | kVScroll | kHScroll | kWantReturn | kBorder,
           nullptr,
           kAnchorAll,
           "会話"},
          {IDC_INPUT,
           ControlKind::kEdit,
           "",
           {6, 22, 238, 15},
           kAutoHScroll | kBorder | kTabStop,
           nullptr,
           kAnchorLeft | kAnchorRight | kAnchorTop,
           "入力"},
          {IDC_STATIC, ControlKind::kStatic, "YourName:", {27, 8, 32, 8}, 0, nullptr},
          {IDC_YOUR_NAME,
           ControlKind::kEdit,
           "",
           {60, 8, 65, 12},
           kReadOnly | kAutoHScroll,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "Rinu's Name:", {133, 8, 40, 8}, 0, nullptr},
          {IDC_RINU_NAME,
           ControlKind::kEdit,
           "",
           {174, 8, 70, 12},
           kReadOnly | kAutoHScroll,
           nullptr},
      }};
  return tmpl;
}

}  // namespace res
