// The learn dialog (template 136): the user's words and the persona's reply to them.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& LearnTemplate() {
  // No close box: OK, the Cancel button or Esc end it.
  static const DialogTemplate tmpl{
      IDD_LEARN,
      "覚えさせる言葉",
      "ＭＳ Ｐゴシック",
      9,
      171,
      101,
      kDlgModalFrame | kDlgCaption,
      nullptr,
      {
          {IDC_STATIC,
           ControlKind::kStatic,
           "言葉を覚えさせます。\n"
           "下のボックスにあなたの言葉とそれに対するRinuの応答を入力してください。",
           {7, 7, 157, 24},
           0,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "あなたの言葉(&Y)", {11, 38, 49, 8}, 0, nullptr},
          {IDC_LEARN_WORDS,
           ControlKind::kEdit,
           "",
           {80, 38, 51, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "Rinuの応答(&H)", {11, 54, 38, 8}, 0, nullptr},
          {IDC_LEARN_REPLY,
           ControlKind::kEdit,
           "",
           {80, 54, 51, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {22, 71, 50, 14}, kTabStop, nullptr},
          {IDCANCEL, ControlKind::kPushButton, "止める(&S)", {80, 71, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

}  // namespace res
