// The memory book (template 139): the search field, the count, the list of records and the
// buttons that change them; and its edit dialog (template 140) for one record.
#include "res/resource.h"
#include "res/templates.h"

namespace res {

using namespace ui;

const DialogTemplate& MemoryBookTemplate() {
  // The close box, Esc and 閉じる end it; Enter edits the chosen record, as 編集 is the
  // default button. The window grows: the list takes the room, the search field widens and
  // pushes the count along the right edge, the buttons stay with the bottom edge (閉じる
  // with the right one).
  static const DialogTemplate tmpl{
      IDD_MEMORY_BOOK,
      "メモリー帳",
      "ＭＳ Ｐゴシック",
      9,
      330,
      230,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kStatic, "検索(&S)", {7, 9, 30, 8}, 0, nullptr},
          {IDC_BOOK_SEARCH,
           ControlKind::kEdit,
           "",
           {40, 7, 170, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr,
           kAnchorLeft | kAnchorRight | kAnchorTop},
          {IDC_BOOK_COUNT,
           ControlKind::kStatic,
           "",
           {218, 9, 105, 8},
           kNoPrefix,
           nullptr,
           kAnchorRight | kAnchorTop},
          {IDC_BOOK_LIST,
           ControlKind::kList,
           "",
           {7, 25, 316, 176},
           kBorder | kTabStop,
           nullptr,
           kAnchorAll,
           "記録の一覧"},  // the count before it is no label: a name for screen readers
          {IDC_BOOK_EDIT,
           ControlKind::kDefPushButton,
           "編集(&E)...",
           {7, 209, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDC_BOOK_DELETE,
           ControlKind::kPushButton,
           "削除(&D)",
           {61, 209, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDC_BOOK_UNDO,
           ControlKind::kPushButton,
           "元に戻す(&U)",
           {125, 209, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDC_BOOK_REDO,
           ControlKind::kPushButton,
           "やり直す(&R)",
           {179, 209, 50, 14},
           kTabStop,
           nullptr,
           kAnchorLeft | kAnchorBottom},
          {IDCANCEL,
           ControlKind::kPushButton,
           "閉じる(&C)",
           {273, 209, 50, 14},
           kTabStop,
           nullptr,
           kAnchorRight | kAnchorBottom},
      }};
  return tmpl;
}

const DialogTemplate& BookEditTemplate() {
  // The close box acts as Cancel.
  static const DialogTemplate tmpl{
      IDD_BOOK_EDIT,
      "記録の編集",
      "ＭＳ Ｐゴシック",
      9,
      230,
      80,
      kDlgModalFrame | kDlgCaption | kDlgSysMenu,
      nullptr,
      {
          {IDC_STATIC, ControlKind::kStatic, "キーワード(&K)", {7, 9, 50, 8}, 0, nullptr},
          {IDC_BOOK_KEYWORD,
           ControlKind::kEdit,
           "",
           {60, 7, 163, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDC_STATIC, ControlKind::kStatic, "応答(&H)", {7, 29, 50, 8}, 0, nullptr},
          {IDC_BOOK_REPLY,
           ControlKind::kEdit,
           "",
           {60, 27, 163, 12},
           kBorder | kAutoHScroll | kTabStop,
           nullptr},
          {IDOK, ControlKind::kDefPushButton, "OK(&O)", {60, 56, 50, 14}, kTabStop, nullptr},
          {IDCANCEL, ControlKind::kPushButton, "止める(&S)", {118, 56, 50, 14}, kTabStop, nullptr},
      }};
  return tmpl;
}

}  // namespace res
