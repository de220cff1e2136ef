// The first-run setup dialog (template 133): the two names and the log mode.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& SetupTemplate() {
  static const DialogTemplate tmpl{
      IDD_SETUP,
      "Rinu Setup",
      "ＭＳ ゴシック",
      9,
      220,
      217,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kStatic, "Rinu Setup", {7, 13, 206, 12}, kCenter, nullptr},
          {IDC_STATIC,
           ControlKind::kStatic,
           "最初の設定を行います。ここで行った設定を変更したい場合はメニューの操作から設定を選んで"
           "ください。",
           {7, 34, 206, 23},
           0,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "あなたの名前(&Y)", {7, 68, 61, 8}, 0, nullptr},
          {IDC_SETUP_USER_NAME,
           ControlKind::kEdit,
           "",
           {110, 63, 93, 13},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "Rinuのニックネーム(&H)", {7, 91, 85, 8}, 0, nullptr},
          {IDC_SETUP_RINU_NAME,
           ControlKind::kEdit,
           "",
           {110, 85, 93, 14},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_LOG_NONE,
           ControlKind::kRadioButton,
           "ログは書かない(&N)",
           {14, 123, 88, 13},
           kGroup | kTabStop,
           nullptr},
          {IDC_SETUP_LOG_HTML,
           ControlKind::kRadioButton,
           "HTML形式でLOGを書く(&M)",
           {14, 141, 155, 13},
           0,
           nullptr},
          {IDC_SETUP_LOG_TEXT,
           ControlKind::kRadioButton,
           "TEXT形式でLOGを書く(&T)",
           {14, 161, 155, 11},
           0,
           nullptr},
          {IDC_LOG_GROUP,
           ControlKind::kGroupBox,
           "LOGモードの設定",
           {7, 109, 206, 68},
           kGroup,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {67, 189, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

}  // namespace res
