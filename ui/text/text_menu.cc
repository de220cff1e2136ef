#include "ui/text/text_menu.h"

#include <cctype>

#include "core/text_codec.h"

namespace ui::text {
namespace {

void Collect(const ui::MenuItem& item, const std::string& path, std::vector<MenuCommand>& out) {
  if (item.IsSeparator()) return;
  std::string label = PlainCaption(item.caption, true);
  if (item.children.empty()) {
    if (item.id != 0)
      out.push_back(MenuCommand{path.empty() ? label : path + " > " + label, item.id});
    return;
  }
  std::string inner = path.empty() ? label : path + " > " + label;
  for (const ui::MenuItem& child : item.children) Collect(child, inner, out);
}

}  // namespace

std::vector<MenuCommand> MenuCommands(const ui::MenuTemplate& menu) {
  std::vector<MenuCommand> out;
  for (const ui::MenuItem& top : menu.items) {
    if (top.children.empty()) {
      Collect(top, "", out);  // a command right on the menu bar
      continue;
    }
    for (const ui::MenuItem& item : top.children) Collect(item, "", out);
  }
  return out;
}

std::string FormatMenu(const std::vector<MenuCommand>& commands) {
  std::string out;
  for (size_t i = 0; i < commands.size(); ++i)
    out += std::to_string(i + 1) + " " + commands[i].label + "\n";
  return out;
}

std::optional<int> MenuCommandId(const std::vector<MenuCommand>& commands, int number) {
  if (number < 1 || static_cast<size_t>(number) > commands.size()) return std::nullopt;
  return commands[static_cast<size_t>(number) - 1].id;
}

std::string PlainCaption(const std::string& caption, bool drop_keys) {
  std::string out;
  for (size_t i = 0; i < caption.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(caption[i]);
    if (core::IsLeadByte(c) && i + 1 < caption.size()) {
      out += caption.substr(i, 2);
      ++i;
      continue;
    }
    if (c != '&') {
      out += caption[i];
      continue;
    }
    if (i + 1 < caption.size() && caption[i + 1] == '&') {
      out += '&';
      ++i;
      continue;
    }
    // "(&X)": the key in parentheses, or nothing.
    if (!out.empty() && out.back() == '(' && i + 2 < caption.size() && caption[i + 2] == ')') {
      if (drop_keys) {
        out.pop_back();
        i += 2;
      }
      continue;
    }
  }
  if (drop_keys && out.size() >= 3 && out.compare(out.size() - 3, 3, "...") == 0)
    out.resize(out.size() - 3);
  return out;
}

char AccessKey(const std::string& caption) {
  for (size_t i = 0; i + 1 < caption.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(caption[i]);
    if (core::IsLeadByte(c)) {
      ++i;
      continue;
    }
    if (c != '&') continue;
    if (caption[i + 1] == '&') {
      ++i;
      continue;
    }
    unsigned char key = static_cast<unsigned char>(caption[i + 1]);
    return key < 0x80 ? static_cast<char>(std::tolower(key)) : 0;
  }
  return 0;
}

}  // namespace ui::text
