#include "ui/text/text_backend.h"

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <ostream>
#include <vector>

#include "core/text_codec.h"
#include "ui/dialog.h"
#include "ui/list_model.h"
#include "ui/text/text_menu.h"

extern char** environ;

namespace ui::text {
namespace {

using ui::ControlKind;
using ui::ControlTemplate;

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t");
  if (b == std::string::npos) return "";
  size_t e = s.find_last_not_of(" \t");
  return s.substr(b, e - b + 1);
}

// A decimal number of one to nine digits, or -1.
int ParseNumber(const std::string& s) {
  if (s.empty() || s.size() > 9) return -1;
  for (char c : s)
    if (c < '0' || c > '9') return -1;
  return std::atoi(s.c_str());
}

bool IsEdit(const ControlTemplate& c) { return c.kind == ControlKind::kEdit; }
bool IsButton(const ControlTemplate& c) {
  return c.kind == ControlKind::kPushButton || c.kind == ControlKind::kDefPushButton;
}
bool Overlaps(int a, int alen, int b, int blen) { return a < b + blen && b < a + alen; }
// Whether `inner` starts inside `outer` (a radio button inside its group box, which the
// button's label may overrun).
bool StartsInside(const ui::Rect& outer, const ui::Rect& inner) {
  return inner.x >= outer.x && inner.y >= outer.y && inner.x < outer.x + outer.cx &&
         inner.y < outer.y + outer.cy;
}

// An address the desktop opens as it stands ("http:", "mailto:"), not a file.
bool HasScheme(const std::string& target) {
  size_t colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;  // "C:" is no scheme
  for (size_t i = 0; i < colon; ++i) {
    unsigned char c = static_cast<unsigned char>(target[i]);
    if (!(std::isalnum(c) || c == '+' || c == '-' || c == '.') || (i == 0 && !std::isalpha(c)))
      return false;
  }
  return true;
}

}  // namespace

// One dialog shown in the terminal, for as long as it runs.
class TextDialogWindow : public ui::DialogWindow {
 public:
  // `prefills`: the line source pre-fills a field's value rather than keeping it for an
  // empty line.
  TextDialogWindow(TextBackend& backend, ui::Dialog& dialog, bool prefills)
      : m_backend(backend),
        m_dialog(dialog),
        m_controls(dialog.Template().controls),
        m_prefills(prefills) {}

  int RunModal() override {
    m_dialog.HandleInitDialog();
    while (!m_ended) {
      Show();
      if (!AskFields()) {
        Cancel();
        continue;
      }
      if (!m_ended) AskButton();
    }
    return m_result;
  }

  void EndModal(int result) override {
    if (m_ended) return;
    m_ended = true;
    m_result = result;
  }

  std::string GetText(int id) const override {
    auto it = m_text.find(id);
    if (it != m_text.end()) return it->second;
    const ControlTemplate* c = m_dialog.Template().Find(id);
    return c && !IsEdit(*c) ? c->text : "";
  }
  void SetText(int id, const std::string& text) override { m_text[id] = text; }
  bool IsChecked(int id) const override {
    auto it = m_checked.find(id);
    return it != m_checked.end() && it->second;
  }
  void SetChecked(int id, bool checked) override { m_checked[id] = checked; }
  void SetLimitBytes(int id, int max_bytes) override { m_limits[id] = max_bytes; }
  // Every field is asked for in turn, so the focus has no place here.
  void SetFocus(int) override {}
  void SetIcon(const ui::IconResource*) override {}

  void SetListModel(int id, const ui::ListModel* model) override {
    m_models[id] = model;
    m_selection[id].clear();
    m_firstRow[id] = 0;
  }
  void ListChanged(int id) override {
    m_selection[id].clear();
    m_firstRow[id] = 0;
  }
  std::vector<size_t> GetListSelection(int id) const override {
    auto it = m_selection.find(id);
    return it == m_selection.end() ? std::vector<size_t>() : it->second;
  }
  void SetListSelection(int id, const std::vector<size_t>& rows) override {
    std::vector<size_t>& selection = m_selection[id];
    selection.clear();
    size_t count = RowCount(id);
    for (size_t row : rows)
      if (row < count) selection.push_back(row);
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    // The lowest selected row is brought into view.
    size_t page = std::max<size_t>(1, m_backend.options().list_page_rows);
    if (!selection.empty()) m_firstRow[id] = selection.front() / page * page;
  }

 private:
  void Say(const std::string& sjis) { m_backend.Print(sjis); }

  size_t RowCount(int id) const {
    auto it = m_models.find(id);
    return it == m_models.end() || !it->second ? 0 : it->second->RowCount();
  }

  std::string Caption(const ControlTemplate& c) const {
    std::string text = c.id == ui::IDC_STATIC ? c.text : GetText(c.id);
    return (c.style & ui::kNoPrefix) ? text : PlainCaption(text);
  }

  // The static text that labels the edit at `index`: the one right before it in the
  // template, on the same line and to its left.
  const ControlTemplate* LabelOf(size_t index) const {
    if (index == 0) return nullptr;
    const ControlTemplate& edit = m_controls[index];
    const ControlTemplate& prev = m_controls[index - 1];
    if (prev.kind != ControlKind::kStatic || prev.rect.x >= edit.rect.x) return nullptr;
    if (!Overlaps(prev.rect.y, prev.rect.cy, edit.rect.y, edit.rect.cy)) return nullptr;
    return &prev;
  }
  bool IsLabel(size_t index) const {
    return index + 1 < m_controls.size() && IsEdit(m_controls[index + 1]) &&
           LabelOf(index + 1) == &m_controls[index];
  }

  // The caption, the texts and the read-only fields.
  void Show() {
    Say("== " + m_dialog.Template().caption + " ==");
    for (size_t i = 0; i < m_controls.size(); ++i) {
      const ControlTemplate& c = m_controls[i];
      if (c.kind == ControlKind::kStatic && !IsLabel(i)) {
        std::string text = Caption(c);
        if (!text.empty()) Say(text);
      } else if (IsEdit(c) && (c.style & ui::kReadOnly)) {
        const ControlTemplate* label = LabelOf(i);
        std::string text = GetText(c.id);
        if (c.style & ui::kMultiline)
          Say(text);
        else
          Say((label ? Caption(*label) + ": " : "") + text);
      }
    }
  }

  // Asks for every field in template order; false when the input ended or Esc was typed.
  bool AskFields() {
    for (size_t i = 0; i < m_controls.size() && !m_ended; ++i) {
      const ControlTemplate& c = m_controls[i];
      bool ok = true;
      if (IsEdit(c) && !(c.style & ui::kReadOnly)) {
        ok = AskEdit(i);
      } else if (c.kind == ControlKind::kRadioButton &&
                 (i == 0 || (c.style & ui::kGroup) ||
                  m_controls[i - 1].kind != ControlKind::kRadioButton)) {
        ok = AskRadio(i);
      } else if (c.kind == ControlKind::kCheckBox) {
        ok = AskCheck(c);
      } else if (c.kind == ControlKind::kList) {
        ok = AskList(c.id);
      }
      if (!ok) return false;
    }
    return true;
  }

  bool AskEdit(size_t index) {
    const ControlTemplate& c = m_controls[index];
    const ControlTemplate* label = LabelOf(index);
    std::string name = label ? Caption(*label) : std::string("入力");
    std::string current = GetText(c.id);
    const bool prefills = m_prefills;
    std::string initial = current;
    for (;;) {
      std::string prompt = name;
      if (!prefills && !current.empty()) prompt += " [" + current + "]";
      TextBackend::Answer a = m_backend.Ask(prompt + ": ", initial);
      if (a.kind != TextBackend::Answer::kText) return false;
      auto limit = m_limits.find(c.id);
      if (limit != m_limits.end() && a.text.size() > static_cast<size_t>(limit->second)) {
        Say(std::to_string(limit->second) + "バイトまでしか入りません。");
        initial = prefills ? a.text : current;
        continue;
      }
      if (a.text != current) {
        m_text[c.id] = a.text;
        m_dialog.HandleNotify(c.id, ui::Notify::kEditChange);
      }
      return true;
    }
  }

  // A check box as a yes-or-no question; Enter keeps it as it is.
  bool AskCheck(const ControlTemplate& c) {
    const std::string prompt = Caption(c) + " (y/n) [" + (IsChecked(c.id) ? "y" : "n") + "]: ";
    for (;;) {
      TextBackend::Answer a = m_backend.Ask(prompt, "");
      if (a.kind != TextBackend::Answer::kText) return false;
      const std::string typed = Trim(a.text);
      if (typed.empty()) return true;
      if (typed == "y" || typed == "Y" || typed == "n" || typed == "N") {
        m_checked[c.id] = typed == "y" || typed == "Y";
        return true;
      }
      Say("y か n で答えてください。");
    }
  }

  bool AskRadio(size_t first) {
    std::vector<const ControlTemplate*> group;
    for (size_t i = first; i < m_controls.size(); ++i) {
      const ControlTemplate& c = m_controls[i];
      if (c.kind != ControlKind::kRadioButton || (i != first && (c.style & ui::kGroup))) break;
      group.push_back(&c);
    }
    for (const ControlTemplate& box : m_controls) {
      if (box.kind == ControlKind::kGroupBox && StartsInside(box.rect, group.front()->rect)) {
        Say(Caption(box));
        break;
      }
    }
    int checked = -1;
    for (size_t i = 0; i < group.size(); ++i) {
      if (IsChecked(group[i]->id)) checked = static_cast<int>(i);
      Say(std::string(IsChecked(group[i]->id) ? "* " : "  ") + std::to_string(i + 1) + " " +
          Caption(*group[i]));
    }
    // The choice is shown, not pre-filled: a number typed after it would make another.
    std::string prompt = "番号";
    if (checked >= 0) prompt += " [" + std::to_string(checked + 1) + "]";
    for (;;) {
      TextBackend::Answer a = m_backend.Ask(prompt + ": ", "");
      if (a.kind != TextBackend::Answer::kText) return false;
      std::string typed = Trim(a.text);
      if (typed.empty()) return true;  // Enter keeps the choice, or none
      int chosen = ParseNumber(typed) - 1;
      if (typed.size() == 1 && chosen < 0) {
        char key = static_cast<char>(std::tolower(static_cast<unsigned char>(typed[0])));
        for (size_t i = 0; i < group.size(); ++i)
          if (!(group[i]->style & ui::kNoPrefix) && AccessKey(group[i]->text) == key)
            chosen = static_cast<int>(i);
      }
      if (chosen < 0 || chosen >= static_cast<int>(group.size())) {
        Say("1から" + std::to_string(group.size()) + "までの番号で選んでください。");
        continue;
      }
      for (size_t i = 0; i < group.size(); ++i)
        m_checked[group[i]->id] = static_cast<int>(i) == chosen;
      return true;
    }
  }

  void ShowRows(int id) {
    const ui::ListModel* model = m_models[id];
    size_t count = model->RowCount();
    size_t page = std::max<size_t>(1, m_backend.options().list_page_rows);
    size_t first = std::min(m_firstRow[id], (count - 1) / page * page);
    m_firstRow[id] = first;
    std::string titles;
    bool any_title = false;
    for (int col = 0; col < model->ColumnCount(); ++col) {
      std::string title = model->Column(col).title;
      any_title |= !title.empty();
      titles += (col ? " | " : "") + title;
    }
    size_t width = std::to_string(count).size();
    if (any_title) Say(std::string(width + 3, ' ') + titles);
    const std::vector<size_t>& selection = m_selection[id];
    for (size_t row = first; row < std::min(count, first + page); ++row) {
      bool selected = std::binary_search(selection.begin(), selection.end(), row);
      std::string number = std::to_string(row + 1);
      std::string line = std::string(selected ? "* " : "  ") +
                         std::string(width - number.size(), ' ') + number + " ";
      for (int col = 0; col < model->ColumnCount(); ++col)
        line += (col ? " | " : "") + model->CellText(row, col);
      Say(line);
    }
    Say(std::to_string(first + 1) + "-" + std::to_string(std::min(count, first + page)) + " / " +
        std::to_string(count) + "件");
  }

  bool AskList(int id) {
    size_t count = RowCount(id);
    if (count == 0) {
      Say("(なし)");
      return true;
    }
    size_t page = std::max<size_t>(1, m_backend.options().list_page_rows);
    bool paged = count > page;
    ShowRows(id);
    for (;;) {
      std::string prompt = paged ? "行の番号 (n 次, p 前): " : "行の番号: ";
      TextBackend::Answer a = m_backend.Ask(prompt, "");
      if (a.kind != TextBackend::Answer::kText) return false;
      std::string typed = Trim(a.text);
      if (typed.empty()) return true;
      if (typed == "n" || typed == "p") {
        size_t& first = m_firstRow[id];
        if (typed == "n" && first + page < count) first += page;
        if (typed == "p") first = first >= page ? first - page : 0;
        ShowRows(id);
        continue;
      }
      std::vector<size_t> rows;
      bool bad = false;
      size_t pos = 0;
      while (pos < typed.size() && !bad) {
        size_t end = typed.find_first_of(" ,", pos);
        std::string word = typed.substr(pos, end == std::string::npos ? end : end - pos);
        pos = end == std::string::npos ? typed.size() : end + 1;
        if (word.empty()) continue;
        int n = ParseNumber(word);
        if (n < 1 || static_cast<size_t>(n) > count)
          bad = true;
        else
          rows.push_back(static_cast<size_t>(n) - 1);
      }
      if (bad || rows.empty()) {
        Say("1から" + std::to_string(count) + "までの行の番号を入れてください。");
        continue;
      }
      SetListSelection(id, rows);
      m_dialog.HandleNotify(id, ui::Notify::kListSelectionChange);
      return true;
    }
  }

  void AskButton() {
    std::vector<const ControlTemplate*> buttons;
    const ControlTemplate* def = nullptr;
    std::string line;
    for (const ControlTemplate& c : m_controls) {
      if (!IsButton(c)) continue;
      buttons.push_back(&c);
      if (c.kind == ControlKind::kDefPushButton && !def) def = &c;
      line += (buttons.size() > 1 ? "  " : "") + std::to_string(buttons.size()) + " " + Caption(c);
    }
    if (!line.empty()) Say(line);
    int default_id = def ? def->id : ui::IDOK;
    std::string prompt = def ? "ボタン (Enter: " + Caption(*def) + "): " : "ボタン: ";
    for (;;) {
      TextBackend::Answer a = m_backend.Ask(prompt, "");
      if (a.kind != TextBackend::Answer::kText) {
        Cancel();
        return;
      }
      std::string typed = Trim(a.text);
      int id = 0;
      if (typed.empty()) {
        id = default_id;
      } else if (int n = ParseNumber(typed); n >= 1 && static_cast<size_t>(n) <= buttons.size()) {
        id = buttons[static_cast<size_t>(n) - 1]->id;
      } else if (typed.size() == 1) {
        char key = static_cast<char>(std::tolower(static_cast<unsigned char>(typed[0])));
        for (const ControlTemplate* b : buttons)
          if (!id && AccessKey(b->text) == key) id = b->id;
      }
      if (id == 0) {
        Say("ボタンの番号かキーを入れてください。");
        continue;
      }
      m_dialog.HandleCommand(id);
      return;
    }
  }

  // Esc or the end of input: the dialog's Cancel. Input that is closed cannot answer again,
  // so a dialog that stays open then is closed as cancelled.
  void Cancel() {
    if (!m_ended) m_dialog.HandleCommand(ui::IDCANCEL);
    if (!m_ended && m_backend.at_end()) EndModal(ui::IDCANCEL);
  }

  TextBackend& m_backend;
  ui::Dialog& m_dialog;
  const std::vector<ControlTemplate>& m_controls;
  std::map<int, std::string> m_text;
  std::map<int, bool> m_checked;
  std::map<int, int> m_limits;
  std::map<int, const ui::ListModel*> m_models;
  std::map<int, std::vector<size_t>> m_selection;
  std::map<int, size_t> m_firstRow;
  const bool m_prefills;
  bool m_ended = false;
  int m_result = ui::IDCANCEL;
};

TextBackend::TextBackend(LineSource& in, std::ostream& out, TextOptions options)
    : m_in(in), m_out(out), m_options(std::move(options)) {}

TextBackend::~TextBackend() = default;

std::unique_ptr<ui::DialogWindow> TextBackend::CreateDialogWindow(ui::Dialog& dialog) {
  return std::make_unique<TextDialogWindow>(*this, dialog, m_in.PrefillsInitialText());
}

void TextBackend::Print(const std::string& sjis) {
  m_out << ToTerminal(sjis, m_options.encoding) << '\n' << std::flush;
}

TextBackend::Answer TextBackend::Ask(const std::string& prompt_sjis,
                                     const std::string& initial_sjis) {
  const TerminalEncoding enc = m_options.encoding;
  const std::string prompt = ToTerminal(prompt_sjis, enc);
  std::string initial = ToTerminal(initial_sjis, enc);
  const bool prefills = m_in.PrefillsInitialText();
  for (;;) {
    if (m_atEnd) return Answer{Answer::kEnd, ""};
    std::optional<std::string> line = m_in.ReadLine(prompt, initial);
    if (!line) {
      m_atEnd = m_in.Closed();
      return Answer{Answer::kEnd, ""};
    }
    if (*line == "\x1b") return Answer{Answer::kEscape, ""};
    if (!prefills && line->empty()) return Answer{Answer::kText, initial_sjis};
    core::CodecResult r = FromTerminal(*line, enc);
    if (!r.ok) {
      m_out << RefusedInputMessage(r, enc) << '\n' << std::flush;
      // What was typed comes back for editing; a source that cannot pre-fill keeps the
      // earlier text for an empty line, as the typed line is still on the screen.
      if (prefills) initial = *line;
      continue;
    }
    return Answer{Answer::kText, StripControls(r.text)};
  }
}

std::optional<std::string> TextBackend::ReadText(const std::string& prompt_sjis,
                                                 const std::string& initial_sjis) {
  Answer a = Ask(prompt_sjis, initial_sjis);
  if (a.kind == Answer::kEnd) return std::nullopt;
  return a.text;
}

void TextBackend::MessageBox(const std::string& text) {
  Print(text);
  if (m_options.pause_after_message) Ask("（Enterで続けます）", "");
}

bool TextBackend::Confirm(const std::string& text) {
  Print(text);
  for (;;) {
    Answer a = Ask("(y/n): ", "");
    if (a.kind != Answer::kText) return false;
    std::string typed = Trim(a.text);
    for (char& c : typed) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (typed == "y" || typed == "yes") return true;
    if (typed == "n" || typed == "no") return false;
  }
}

bool TextBackend::ShellOpen(const std::string& target) {
  core::CodecResult converted = core::SjisToUtf8(target);
  if (!converted.ok || target.empty()) {
    Print("開けません: " + target);
    return false;
  }
  std::string path = converted.text;
  if (!HasScheme(target) && !m_options.working_folder.empty() && path.front() != '/')
    path = m_options.working_folder + "/" + path;
  // A file that is not there cannot be shown either way; the caller says so.
  struct stat st;
  if (!HasScheme(target) && stat(path.c_str(), &st) != 0) return false;
  const char* display = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  bool desktop = (display && *display) || (wayland && *wayland);
  if (m_options.desktop_open && desktop) {
    m_out << std::flush;
    std::string program = "xdg-open";
    char* argv[] = {program.data(), path.data(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "xdg-open", nullptr, nullptr, argv, environ) == 0) {
      int status = 0;
      pid_t waited;
      while ((waited = waitpid(pid, &status, 0)) < 0 && errno == EINTR) {
      }
      if (waited == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0) return true;
    }
  }
  // The terminal's own way of showing it: where it is, for the user to open. The path is
  // printed as the system spells it, so the encoding does not apply.
  m_out << ToTerminal("開くには: ", m_options.encoding) << path << '\n' << std::flush;
  return true;
}

}  // namespace ui::text
