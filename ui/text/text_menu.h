// A menu for a terminal: its commands as numbered lines ("1 LOGを表示"), so a front end can
// list them and run one by its number. Top-level menus are headings and are left out of the
// labels, separators are skipped, and a submenu's entries carry its name as a path
// ("スペシャルサンクス > ..."). Labels are Shift-JIS, without access keys.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace ui::text {

struct MenuCommand {
  std::string label;  // Shift-JIS
  int id = 0;         // the command id the window's menu would send
};

// The commands of `menu` in menu order; entry N of the listing is element N-1.
std::vector<MenuCommand> MenuCommands(const ui::MenuTemplate& menu);
// One line each, "N label", ending in LF; Shift-JIS.
std::string FormatMenu(const std::vector<MenuCommand>& commands);
// The command id of number `number` (1-based, as FormatMenu shows it), nullopt for a number
// no entry has.
std::optional<int> MenuCommandId(const std::vector<MenuCommand>& commands, int number);

// A caption as a terminal shows it: "&&" becomes "&", an access key "(&X)" becomes "(X)" and
// any other "&" before a letter is dropped. With `drop_keys` the "(&X)" is left out whole
// and a trailing "..." too, as the menu listing wants.
std::string PlainCaption(const std::string& caption, bool drop_keys = false);

// The access key of a caption (the character after a single "&"), lower case; 0 for none.
char AccessKey(const std::string& caption);

}  // namespace ui::text
