// Dialog, menu and icon templates as plain data. res/ defines the program's templates with
// these types; a backend turns a template into a real window. Rectangles are in dialog units
// of the template's font; every caption is Shift-JIS bytes, "&" marks an access key.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace ui {

constexpr int IDOK = 1;
constexpr int IDCANCEL = 2;
constexpr int IDABORT = 3;
constexpr int IDC_STATIC = -1;

struct Rect {
  int x = 0, y = 0, cx = 0, cy = 0;
  bool operator==(const Rect&) const = default;
};

enum class ControlKind {
  kPushButton,
  kDefPushButton,
  kEdit,
  kStatic,
  kRadioButton,  // automatic radio button
  kCheckBox,     // automatic check box: a click ticks it or clears it
  kGroupBox,
  kIcon,
  kList,  // rows and columns from a ListModel, several rows selectable (ui/list_model.h)
};

// Control styles, or-ed together.
enum : uint32_t {
  kGroup = 1u << 0,        // first control of a new group (ends a radio group)
  kTabStop = 1u << 1,      // reached with Tab; the first one gets the focus
  kBorder = 1u << 2,       // edit: a thin border
  kSunken = 1u << 3,       // edit: a sunken client edge
  kMultiline = 1u << 4,    // edit: several lines
  kAutoHScroll = 1u << 5,  // edit: scrolls sideways while typing
  kVScroll = 1u << 6,      // vertical scroll bar
  kHScroll = 1u << 7,      // horizontal scroll bar
  kReadOnly = 1u << 8,     // edit: cannot be changed by the user
  kWantReturn = 1u << 9,   // multi-line edit: Enter inserts a line break
  kCenter = 1u << 10,      // static text: centred
  kNoPrefix = 1u << 11,    // static text: "&" is shown as is
  kTransparent = 1u << 12,
};

// Dialog styles, or-ed together.
enum : uint32_t {
  kDlgCaption = 1u << 0,
  kDlgSysMenu = 1u << 1,  // system menu and close box
  kDlgModalFrame = 1u << 2,
  kDlgMinimizeBox = 1u << 3,
  kDlgAppWindow = 1u << 4,      // own taskbar button
  kDlgAltAccessKeys = 1u << 5,  // access keys need Alt: a bare letter never presses a button
};

// The window edges a control follows when its window is made larger, or-ed together
// (ControlTemplate::anchors). Left and right together: the control grows in width; right
// alone: it moves with the right edge; the same for top and bottom. None (or only left and
// top): it keeps its place. A template where some control has anchors makes a window the
// user can resize, no smaller than the template; one without any keeps the template's size.
enum : uint32_t {
  kAnchorLeft = 1u << 0,
  kAnchorTop = 1u << 1,
  kAnchorRight = 1u << 2,
  kAnchorBottom = 1u << 3,
  kAnchorAll = kAnchorLeft | kAnchorTop | kAnchorRight | kAnchorBottom,
};

// One image of an icon: a PNG file's bytes.
struct IconImage {
  int size = 0;  // width and height in pixels
  int bits_per_pixel = 0;
  std::string png;
};

struct IconResource {
  int id = 0;
  std::vector<IconImage> images;
};

struct ControlTemplate {
  int id = IDC_STATIC;
  ControlKind kind = ControlKind::kStatic;
  std::string text;
  Rect rect;
  uint32_t style = 0;
  const IconResource* icon = nullptr;  // kIcon only
  uint32_t anchors = 0;                // kAnchor* bits
  // What a screen reader calls the control, for one no label stands right before (the chat
  // window's transcript); empty: an edit or a list takes the label's text, others their own.
  // (Braces: templates that stop before it draw no missing-initializer warning.)
  std::string name{};
};

struct MenuItem {
  std::string caption;  // empty with id 0 and no children: a separator
  int id = 0;
  std::vector<MenuItem> children;  // a submenu when not empty
  bool IsSeparator() const { return caption.empty() && id == 0 && children.empty(); }
};

struct MenuTemplate {
  int id = 0;
  std::vector<MenuItem> items;  // the top-level menus
};

struct DialogTemplate {
  int id = 0;
  std::string caption;
  std::string font;  // face name as the template gives it
  int point_size = 9;
  int cx = 0, cy = 0;  // client size in dialog units
  uint32_t style = 0;
  const MenuTemplate* menu = nullptr;
  std::vector<ControlTemplate> controls;  // in template (tab) order

  const ControlTemplate* Find(int control_id) const;
  // Whether the window can be made larger than the template: some control has anchors.
  bool Grows() const;
};

}  // namespace ui
