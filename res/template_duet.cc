// The duet window (template 141): the partner's folder (chosen, or made anew from the default
// data or a copy of this persona's memory), how many lines and how long a pause between them,
// an optional first line, the transcript and the buttons that start and stop.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& DuetTemplate() {
  // The close box, Esc and 閉じる stop the duet and end the window; Enter starts it, as 開始
  // is the default button. The window grows: the transcript takes the room, the folder and
  // first-line fields widen (参照 moves with the right edge), the buttons stay with the
  // bottom edge (閉じる with the right one).
  static const DialogTemplate tmpl{
      IDD_DUET,
      "ふたりで会話させる",
      "ＭＳ Ｐゴシック",
      9,
      280,
      248,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu | kDlgAltAccessKeys,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kStatic, "相手のフォルダ(&P)", {7, 9, 62, 8}, 0, nullptr},
          {IDC_DUET_FOLDER,
           ControlKind::kEdit,
           "",
           {72, 7, 148, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr,
           kAnchorLeft | kAnchorRight | kAnchorTop},
          {IDC_DUET_BROWSE,
           ControlKind::kPushButton,
           "参照(&R)...",
           {223, 6, 50, 14},
           kTabStop,
           nullptr,
           kAnchorRight | kAnchorTop},
          {IDC_DUET_NEW,
           ControlKind::kPushButton,
           "新しい相手を作る(&A)...",
           {72, 24, 86, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorTop},
          {IDC_DUET_COPY_MEMORY,
           ControlKind::kCheckBox,
           "この子の記憶をコピーする(&K)",
           {163, 26, 110, 10},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorTop},
          {IDC_STATIC, ControlKind::kStatic, "会話の数(&N)", {7, 45, 62, 8}, 0, nullptr},
          {IDC_DUET_EXCHANGES,
           ControlKind::kEdit,
           "",
           {72, 43, 30, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "(1～1000)", {105, 45, 40, 8}, 0, nullptr},
          {IDC_STATIC, ControlKind::kStatic, "間のミリ秒(&M)", {150, 45, 48, 8}, 0, nullptr},
          {IDC_DUET_PAUSE,
           ControlKind::kEdit,
           "",
           {200, 43, 30, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "(0～5000)", {233, 45, 40, 8}, 0, nullptr},
          {IDC_STATIC, ControlKind::kStatic, "最初のひとこと(&F)", {7, 63, 62, 8}, 0, nullptr},
          {IDC_DUET_FIRST,
           ControlKind::kEdit,
           "",
           {72, 61, 201, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr,
           kAnchorLeft | kAnchorRight | kAnchorTop},
          {IDC_DUET_TRANSCRIPT,
           ControlKind::kEdit,
           "",
           {7, 80, 266, 140},
           kMultiline | kVScroll | kHScroll | kReadOnly | kBorder,
           nullptr,
           kAnchorAll,
           "会話"},  // no label before it: a name for screen readers
          {IDC_DUET_START,
           ControlKind::kDefPushButton,
           "開始(&S)",
           {7, 227, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDC_DUET_STOP,
           ControlKind::kPushButton,
           "停止(&T)",
           {62, 227, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDCANCEL,
           ControlKind::kPushButton,
           "閉じる(&C)",
           {223, 227, 50, 14},
           kTabStop,
           nullptr,
           kAnchorRight | kAnchorBottom},
      }};
  return tmpl;
}

}  // namespace res
