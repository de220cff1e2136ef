// The settings dialog (template 134): the two names and the log mode, with OK, Apply and
// Cancel.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& SettingsTemplate() {
  static const DialogTemplate tmpl{
      IDD_SETTINGS,
      "情報設定",
      "ＭＳ Ｐゴシック",
      9,
      215,
      223,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kStatic, "各種設定", {7, 7, 201, 12}, kCenter, nullptr},
          {IDC_STATIC,
           ControlKind::kStatic,
           "ここでは設定の変更が出来ます。変更したい項目を書き換えてOKか適用を押してください。"
           "キャンセルを押すと変更は保存されません。",
           {7, 21, 201, 20},
           0,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "ユーザーの名前(&Y)", {7, 64, 70, 8}, 0, nullptr},
          {IDC_YOUR_NAME,
           ControlKind::kEdit,
           "",
           {100, 60, 98, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "Rinuのニックネーム(&H)", {7, 88, 70, 8}, 0, nullptr},
          {IDC_NICKNAME,
           ControlKind::kEdit,
           "",
           {100, 83, 98, 13},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_LOG_NONE,
           ControlKind::kRadioButton,
           "LOGは書かない(&L)",
           {14, 115, 176, 13},
           kGroup | kTabStop | kTransparent,
           nullptr},
          {IDC_LOG_HTML,
           ControlKind::kRadioButton,
           "HTML形式でLOGを書く(&M)",
           {14, 137, 176, 14},
           kTransparent,
           nullptr},
          {IDC_LOG_TEXT,
           ControlKind::kRadioButton,
           "TEXT形式でLOGを書く(&T)",
           {14, 159, 86, 17},
           kTransparent,
           nullptr},
          {IDC_LOG_GROUP,
           ControlKind::kGroupBox,
           "LOGモード",
           {7, 102, 175, 78},
           kGroup | kTransparent,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {14, 190, 50, 14}, kTabStop, nullptr},
          // Apply is left out of the Tab order.
          {IDC_APPLY, ControlKind::kPushButton, "適用(&T)", {77, 190, 61, 14}, 0, nullptr},
          {IDCANCEL, ControlKind::kPushButton, "ｷｬﾝｾﾙ(&K)", {150, 190, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

}  // namespace res
