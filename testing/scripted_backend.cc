#include "testing/scripted_backend.h"

#include <algorithm>

#include "core/text_codec.h"
#include "ui/list_model.h"

namespace testing_support {

using ui::ControlKind;

Step Type(int id, std::string text) { return Step{Step::kType, id, std::move(text), {}}; }
Step Choose(int radio_id) { return Step{Step::kChoose, radio_id, {}, {}}; }
Step Press(int button_id) { return Step{Step::kPress, button_id, {}, {}}; }
Step Close() { return Step{Step::kClose, ui::IDCANCEL, {}, {}}; }
Step SysCommand(int id) { return Step{Step::kSysCommand, id, {}, {}}; }
Step Call(std::function<void()> f) { return Step{Step::kCall, 0, {}, std::move(f)}; }
Step Select(int list_id, std::vector<size_t> rows) {
  return Step{Step::kSelect, list_id, {}, {}, std::move(rows)};
}
Step DoubleClick(int list_id, size_t row) {
  return Step{Step::kDoubleClick, list_id, {}, {}, {row}};
}
Step Tab(int id) { return Step{Step::kTab, id, {}, {}}; }
Step Key(ui::Key key) { return Step{Step::kKey, 0, {}, {}, {}, key}; }
Step TypeUtf8(int id, std::string utf8) { return Step{Step::kTypeUtf8, id, std::move(utf8), {}}; }
Step Activate() { return Step{Step::kActivate, 0, {}, {}}; }
Step Resize(int cx, int cy) {
  Step step{Step::kResize, 0, {}, {}};
  step.size = ui::Size{cx, cy};
  return step;
}

Step Timer(int times) {
  Step step{Step::kTimer, 0, {}, {}};
  step.id = times;
  return step;
}

class ScriptedWindow : public ui::DialogWindow {
 public:
  ScriptedWindow(ScriptedBackend& backend, ui::Dialog& dialog, std::vector<Step> steps)
      : m_backend(backend), m_dialog(dialog), m_steps(std::move(steps)) {
    for (const ui::ControlTemplate& c : dialog.Template().controls) {
      if (c.id == ui::IDC_STATIC) continue;
      if (c.kind == ControlKind::kEdit) m_state.text[c.id] = "";
      if (c.kind == ControlKind::kRadioButton || c.kind == ControlKind::kCheckBox)
        m_state.checked[c.id] = false;
    }
    // The window opens at the template's size, every control at its template place.
    const ui::DialogTemplate& t = dialog.Template();
    m_state.client = ui::Size{t.cx, t.cy};
    for (const ui::ControlTemplate& c : t.controls) m_state.rects.push_back(c.rect);
  }

  int RunModal() override {
    const ui::DialogTemplate& t = m_dialog.Template();
    m_backend.m_events.push_back("open:" + std::to_string(t.id));
    size_t index = m_backend.m_dialogs.size();
    m_index = index;
    m_backend.m_dialogs.push_back(DialogRecord{t.id, {}, 0, 0, {}});
    bool default_focus = m_dialog.HandleInitDialog();
    if (default_focus && m_focus == 0) {
      for (const ui::ControlTemplate& c : t.controls) {
        if (c.style & ui::kTabStop) {
          m_focus = c.id;
          break;
        }
      }
    }
    m_backend.m_dialogs[index].focus = m_focus;
    Record(index);
    for (size_t i = 0; i < m_steps.size() && !m_ended; ++i) {
      Run(m_steps[i]);
      Record(index);
      if (m_ended && i + 1 < m_steps.size()) {
        m_backend.m_errors.push_back("template " + std::to_string(t.id) +
                                     ": steps left after the dialog ended");
      }
    }
    if (!m_ended) {
      m_backend.m_errors.push_back("template " + std::to_string(t.id) +
                                   ": script ended with the dialog open");
      m_result = ui::IDCANCEL;
    }
    if (m_timer) StopTimer();
    m_backend.m_dialogs[index].result = m_result;
    m_backend.m_events.push_back("end:" + std::to_string(t.id) + "=" + std::to_string(m_result));
    return m_result;
  }

  void EndModal(int result) override {
    if (m_ended) return;
    m_ended = true;
    m_result = result;
    if (m_modeless) {
      m_backend.m_modeless.erase(m_dialog.Template().id);
      m_backend.m_dialogs[m_index].result = result;
      m_backend.m_events.push_back("end:" + std::to_string(m_dialog.Template().id) + "=" +
                                   std::to_string(result));
      m_dialog.HandleClosed();
    }
  }

  // Opens like RunModal and runs the steps queued for it, but stays open: later steps come
  // through ScriptedBackend::Drive.
  bool ShowModeless() override {
    const ui::DialogTemplate& t = m_dialog.Template();
    m_modeless = true;
    m_backend.m_modeless[t.id] = this;
    m_backend.m_events.push_back("open:" + std::to_string(t.id));
    m_index = m_backend.m_dialogs.size();
    m_backend.m_dialogs.push_back(DialogRecord{t.id, {}, 0, 0, {}});
    m_dialog.HandleInitDialog();
    m_backend.m_dialogs[m_index].focus = m_focus;
    Record(m_index);
    Drive(m_steps);
    return true;
  }

  void Drive(const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size() && !m_ended; ++i) {
      Run(steps[i]);
      Record(m_index);
    }
  }

  ~ScriptedWindow() override {
    auto it = m_backend.m_modeless.find(m_dialog.Template().id);
    if (it != m_backend.m_modeless.end() && it->second == this) m_backend.m_modeless.erase(it);
  }

  size_t GetListTopRow(int id) const override {
    auto it = m_top.find(id);
    return it == m_top.end() ? 0 : it->second;
  }
  void SetListTopRow(int id, size_t row) override { m_top[id] = row; }

  std::string GetText(int id) const override {
    auto it = m_state.text.find(id);
    if (it != m_state.text.end()) return it->second;
    if (const ui::ControlTemplate* c = m_dialog.Template().Find(id)) return c->text;
    return "";
  }

  void SetText(int id, const std::string& text) override {
    if (!m_dialog.Template().Find(id)) {
      m_backend.m_errors.push_back("SetText on a missing control " + std::to_string(id));
      return;
    }
    m_state.text[id] = text;
  }

  bool IsChecked(int id) const override {
    auto it = m_state.checked.find(id);
    return it != m_state.checked.end() && it->second;
  }

  void SetChecked(int id, bool checked) override { m_state.checked[id] = checked; }
  void SetLimitBytes(int id, int max_bytes) override { m_limits[id] = max_bytes; }
  void SetFocus(int id) override { m_focus = id; }
  void SetIcon(const ui::IconResource*) override {}
  bool AppendSystemMenuItem(int id, const std::string& caption) override {
    m_backend.m_dialogs[m_index].system_menu.emplace_back(id, caption);
    return true;
  }

  bool StartTimer(int ms) override {
    m_timer = true;
    m_backend.m_timerRunning = true;
    m_backend.m_timerMs = ms;
    return true;
  }
  void StopTimer() override {
    m_timer = false;
    m_backend.m_timerRunning = false;
  }

  void SetListModel(int id, const ui::ListModel* model) override {
    if (!IsList(id)) return;
    m_models[id] = model;
    m_state.selection[id].clear();
    m_current.erase(id);
  }
  void ListChanged(int id) override {
    if (!IsList(id)) return;
    m_state.selection[id].clear();
    m_current.erase(id);
  }
  std::vector<size_t> GetListSelection(int id) const override {
    auto it = m_state.selection.find(id);
    return it == m_state.selection.end() ? std::vector<size_t>() : it->second;
  }
  void SetListSelection(int id, const std::vector<size_t>& rows) override {
    if (!IsList(id)) return;
    std::vector<size_t>& selection = m_state.selection[id];
    selection.clear();
    for (size_t row : rows)
      if (row < RowCount(id)) selection.push_back(row);
    std::sort(selection.begin(), selection.end());
    selection.erase(std::unique(selection.begin(), selection.end()), selection.end());
    if (!selection.empty()) m_current[id] = selection.front();
  }

 private:
  void Run(const Step& step) {
    if (step.kind == Step::kCall) {
      step.call();
      return;
    }
    if (step.kind == Step::kActivate) {
      m_dialog.HandleActivate();
      return;
    }
    if (step.kind == Step::kSysCommand) {
      bool added = false;
      for (const auto& item : m_backend.m_dialogs[m_index].system_menu)
        added |= item.first == step.id;
      if (!added)
        m_backend.m_errors.push_back("system menu has no entry " + std::to_string(step.id));
      else
        m_dialog.HandleSysCommand(step.id);
      return;
    }
    if (step.kind == Step::kKey) {
      PressKey(step.key);
      return;
    }
    if (step.kind == Step::kTimer) {
      for (int i = 0; i < step.id && m_timer && !m_ended; ++i) {
        m_backend.m_events.push_back("timer");
        m_dialog.HandleTimer();
      }
      return;
    }
    if (step.kind == Step::kResize) {
      const ui::DialogTemplate& t = m_dialog.Template();
      if (!t.Grows()) return;  // a fixed frame cannot be dragged
      const ui::Size base{t.cx, t.cy};
      std::vector<ui::Rect> rects;
      for (const ui::ControlTemplate& c : t.controls) rects.push_back(c.rect);
      m_state.client = ui::ClampToMinimum(step.size, base);
      m_state.rects = ui::LayOutControls(rects, ui::AnchorsOf(t), base, m_state.client);
      return;
    }
    if (step.kind == Step::kClose) {  // the close box needs no control of the template
      m_dialog.HandleCommand(ui::IDCANCEL);
      return;
    }
    const ui::ControlTemplate* c = m_dialog.Template().Find(step.id);
    if (!c && step.kind == Step::kPress && MenuHas(m_dialog.Template().menu, step.id)) {
      m_dialog.HandleCommand(step.id);  // a menu command
      return;
    }
    if (!c) {
      m_backend.m_errors.push_back("step on a missing control " + std::to_string(step.id));
      return;
    }
    switch (step.kind) {
      case Step::kTypeUtf8:
      case Step::kType: {
        m_focus = step.id;  // typing needs the focus, as clicking into the field gives it
        std::string text = step.text;
        if (step.kind == Step::kTypeUtf8) {
          core::CodecResult sjis = core::Utf8ToSjis(step.text);
          if (!sjis.ok) {
            m_backend.m_refused.push_back(sjis.error_char);
            m_backend.m_events.push_back("refused:" + sjis.error_char);
            break;
          }
          text = sjis.text;
        }
        auto limit = m_limits.find(step.id);
        if (limit != m_limits.end())
          text = std::string(core::CutToBytes(text, static_cast<size_t>(limit->second)));
        m_state.text[step.id] = text;
        if (c->kind == ControlKind::kEdit) m_dialog.HandleNotify(step.id, ui::Notify::kEditChange);
        break;
      }
      case Step::kSelect:
      case Step::kDoubleClick: {
        if (c->kind != ControlKind::kList) {
          m_backend.m_errors.push_back("row step on a control that is no list " +
                                       std::to_string(step.id));
          break;
        }
        for (size_t row : step.rows) {
          if (row >= RowCount(step.id)) {
            m_backend.m_errors.push_back("list " + std::to_string(step.id) + " has no row " +
                                         std::to_string(row));
            return;
          }
        }
        m_focus = step.id;  // a click on a row gives the list the focus
        SetListSelection(step.id, step.rows);
        m_dialog.HandleNotify(step.id, step.kind == Step::kSelect ? ui::Notify::kListSelectionChange
                                                                  : ui::Notify::kListActivate);
        break;
      }
      case Step::kChoose:
        // An automatic radio button clears the others of its group; a check box toggles.
        if (c->kind == ControlKind::kCheckBox) {
          m_state.checked[step.id] = !m_state.checked[step.id];
          break;
        }
        for (int id : GroupOf(step.id)) m_state.checked[id] = (id == step.id);
        break;
      case Step::kPress:
      case Step::kClose:
        m_focus = step.id;  // a click leaves the focus on the button, unless the dialog moves it
        m_dialog.HandleCommand(step.id);
        break;
      case Step::kTab:
        m_focus = step.id;
        if (c->kind == ControlKind::kList && GetListSelection(step.id).empty() &&
            RowCount(step.id) > 0) {
          auto current = m_current.find(step.id);
          SetListSelection(step.id, {current == m_current.end() ? 0 : current->second});
          m_dialog.HandleNotify(step.id, ui::Notify::kListSelectionChange);
        }
        break;
      case Step::kCall:
      case Step::kSysCommand:
      case Step::kKey:
      case Step::kResize:
      case Step::kActivate:
      case Step::kTimer:
        break;
    }
  }

  void PressKey(ui::Key key) {
    if (m_dialog.HandleKey(m_focus, key) || key != ui::Key::kReturn) return;
    const ui::ControlTemplate* focus = m_dialog.Template().Find(m_focus);
    auto current = m_current.find(m_focus);
    if (focus && focus->kind == ControlKind::kList && current != m_current.end() &&
        current->second < RowCount(m_focus)) {
      m_dialog.HandleNotify(m_focus, ui::Notify::kListActivate);
      return;
    }
    int button = ui::IDOK;
    for (const ui::ControlTemplate& c : m_dialog.Template().controls)
      if (c.kind == ControlKind::kDefPushButton) button = c.id;
    m_dialog.HandleCommand(button);
  }

  bool IsList(int id) const {
    const ui::ControlTemplate* c = m_dialog.Template().Find(id);
    if (c && c->kind == ControlKind::kList) return true;
    m_backend.m_errors.push_back("list call on a control that is no list " + std::to_string(id));
    return false;
  }

  size_t RowCount(int id) const {
    auto it = m_models.find(id);
    return it == m_models.end() || !it->second ? 0 : it->second->RowCount();
  }

  static bool MenuHas(const ui::MenuTemplate* menu, int id) {
    if (!menu || id == 0) return false;
    std::vector<const ui::MenuItem*> open;
    for (const ui::MenuItem& item : menu->items) open.push_back(&item);
    while (!open.empty()) {
      const ui::MenuItem* item = open.back();
      open.pop_back();
      if (item->id == id) return true;
      for (const ui::MenuItem& child : item->children) open.push_back(&child);
    }
    return false;
  }

  std::vector<int> GroupOf(int radio_id) const {
    const auto& controls = m_dialog.Template().controls;
    auto it = std::find_if(controls.begin(), controls.end(),
                           [&](const ui::ControlTemplate& c) { return c.id == radio_id; });
    auto first = it;
    while (first != controls.begin() && !(first->style & ui::kGroup) &&
           std::prev(first)->kind == ControlKind::kRadioButton)
      --first;
    std::vector<int> ids;
    for (auto c = first; c != controls.end() && c->kind == ControlKind::kRadioButton; ++c) {
      if (c != first && (c->style & ui::kGroup)) break;
      ids.push_back(c->id);
    }
    return ids;
  }

  // What each list shows is read from its model, as a window would draw it.
  void Record(size_t index) {
    m_state.focus = m_focus;
    for (const auto& [id, model] : m_models) {
      auto& rows = m_state.rows[id];
      rows.clear();
      if (!model) continue;
      for (size_t r = 0; r < model->RowCount(); ++r) {
        std::vector<std::string> cells;
        for (int col = 0; col < model->ColumnCount(); ++col)
          cells.push_back(model->CellText(r, col));
        rows.push_back(std::move(cells));
      }
    }
    m_backend.m_dialogs[index].states.push_back(m_state);
  }

  ScriptedBackend& m_backend;
  ui::Dialog& m_dialog;
  std::vector<Step> m_steps;
  ControlState m_state;
  std::map<int, int> m_limits;
  std::map<int, const ui::ListModel*> m_models;
  std::map<int, size_t> m_current;  // lists: the current row, when there is one
  std::map<int, size_t> m_top;      // lists: the row scrolled to the top
  bool m_modeless = false;          // opened by ShowModeless
  int m_focus = 0;
  size_t m_index = 0;  // this dialog's record
  bool m_ended = false;
  int m_result = 0;
  bool m_timer = false;  // the window's timer runs
};

ScriptedBackend::ScriptedBackend() = default;
ScriptedBackend::~ScriptedBackend() = default;

ScriptedBackend& ScriptedBackend::When(int template_id, std::vector<Step> steps) {
  m_scripts.push_back(Script{template_id, std::move(steps)});
  return *this;
}

void ScriptedBackend::Drive(int template_id, const std::vector<Step>& steps) {
  auto it = m_modeless.find(template_id);
  if (it == m_modeless.end()) {
    m_errors.push_back("template " + std::to_string(template_id) + " is not open beside");
    return;
  }
  it->second->Drive(steps);
}

bool ScriptedBackend::IsOpenBeside(int template_id) const {
  return m_modeless.count(template_id) != 0;
}

std::unique_ptr<ui::DialogWindow> ScriptedBackend::CreateDialogWindow(ui::Dialog& dialog) {
  int id = dialog.Template().id;
  if (m_scripts.empty() || m_scripts.front().template_id != id) {
    m_errors.push_back("template " + std::to_string(id) + " opened without a script");
    m_events.push_back("open:" + std::to_string(id));
    m_dialogs.push_back(DialogRecord{id, {}, ui::IDCANCEL, 0, {}});
    m_events.push_back("end:" + std::to_string(id) + "=" + std::to_string(ui::IDCANCEL));
    return std::make_unique<ui::CancelledWindow>();
  }
  std::vector<Step> steps = std::move(m_scripts.front().steps);
  m_scripts.erase(m_scripts.begin());
  return std::make_unique<ScriptedWindow>(*this, dialog, std::move(steps));
}

void ScriptedBackend::MessageBox(const std::string& text) {
  m_boxes.push_back(text);
  m_events.push_back("box:" + text);
}

ScriptedBackend& ScriptedBackend::Answer(bool ok) {
  m_answers.push_back(ok);
  return *this;
}

bool ScriptedBackend::Confirm(const std::string& text) {
  m_questions.push_back(text);
  bool ok = false;
  if (m_answers.empty()) {
    m_errors.push_back("a question without an answer: " + text);
  } else {
    ok = m_answers.front();
    m_answers.pop_front();
  }
  m_events.push_back("confirm:" + text + "=" + (ok ? "1" : "0"));
  return ok;
}

ScriptedBackend& ScriptedBackend::ChooseFolderAnswer(std::string folder) {
  m_folders.push_back(std::move(folder));
  return *this;
}

bool ScriptedBackend::ChooseFolder(const std::string& title, std::string* folder) {
  std::string chosen;
  if (m_folders.empty()) {
    m_errors.push_back("a folder choice without an answer: " + title);
  } else {
    chosen = std::move(m_folders.front());
    m_folders.pop_front();
  }
  m_events.push_back("folder:" + title + "=" + chosen);
  if (chosen.empty()) return false;
  *folder = chosen;
  return true;
}

namespace {
std::string& FolderOfFiles() {
  static std::string folder;
  return folder;
}
}  // namespace

void ScriptedBackend::SetFolderOfFiles(const std::string& folder) { FolderOfFiles() = folder; }

bool ScriptedBackend::ShellOpen(const std::string& target) {
  const std::string prefix = FolderOfFiles().empty() ? std::string() : FolderOfFiles() + "/";
  const std::string shown =
      !prefix.empty() && target.starts_with(prefix) ? target.substr(prefix.size()) : target;
  m_shell.push_back(shown);
  m_events.push_back("shell:" + shown);
  return !m_shellFails;
}

}  // namespace testing_support
