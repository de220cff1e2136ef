// The About dialog (template 100): icon 128, the version line, one more line and OK.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& AboutTemplate() {
  static const DialogTemplate tmpl{
      IDD_ABOUTBOX,
      "Rinuのバージョン情報",
      "ＭＳ Ｐゴシック",
      9,
      235,
      55,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kIcon, "", {11, 17, 20, 20}, 0, &AboutIcon()},
          {IDC_STATIC,
           ControlKind::kStatic,
           "Rinu++ version 1.00",
           {40, 10, 119, 8},
           kNoPrefix,
           nullptr},
          {IDC_STATIC,
           ControlKind::kStatic,
           "ことばを覚えるおしゃべり相手",
           {40, 25, 119, 8},
           0,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK", {178, 7, 50, 14}, kTabStop | kGroup, nullptr},
      }};
  return tmpl;
}

}  // namespace res
