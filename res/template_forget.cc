// The two forget dialogs: the keyword (template 137) and the numbered list of the records
// it calls up, with the number to forget (template 138).
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& ForgetKeywordTemplate() {
  // No close box: OK, the Cancel button or Esc end it.
  static const DialogTemplate tmpl{
      IDD_FORGET_KEYWORD,
      "キーワードとなる言葉を入れてください。",
      "ＭＳ Ｐゴシック",
      9,
      157,
      93,
      kDlgModalFrame | kDlgCaption,
      nullptr,
      {
          {IDC_STATIC,
           ControlKind::kStatic,
           "言葉を忘れさせるキーワードとなる言葉を入れてください。",
           {7, 7, 143, 18},
           0,
           nullptr},
          {IDC_FORGET_KEYWORD,
           ControlKind::kEdit,
           "",
           {17, 37, 124, 13},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {18, 65, 50, 14}, kTabStop, nullptr},
          {IDCANCEL, ControlKind::kPushButton, "止める(&S)", {79, 65, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

const DialogTemplate& ForgetChoiceTemplate() {
  // The close box acts as Cancel.
  static const DialogTemplate tmpl{
      IDD_FORGET_CHOICE,
      "何番を忘れさせますか？",
      "ＭＳ Ｐゴシック",
      9,
      199,
      287,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC,
           ControlKind::kStatic,
           "何番を忘れさせますか？選んでください。",
           {7, 7, 185, 15},
           kCenter,
           nullptr},
          // The number comes first in the Tab order, so it has the focus.
          {IDC_FORGET_NUMBER,
           ControlKind::kEdit,
           "",
           {26, 235, 29, 14},
           kSunken | kAutoHScroll | kTabStop,
           nullptr},
          // No label before the list of records found: a name for screen readers.
          {IDC_FORGET_LIST,
           ControlKind::kEdit,
           "",
           {17, 29, 157, 203},
           kMultiline | kReadOnly | kVScroll | kHScroll | kWantReturn | kTabStop,
           nullptr,
           0,
           "見つかった記録"},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {30, 253, 50, 14}, kTabStop, nullptr},
          {IDCANCEL, ControlKind::kPushButton, "止める(&S)", {109, 253, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

}  // namespace res
