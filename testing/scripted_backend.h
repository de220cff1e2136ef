// A backend that runs dialogs from a script instead of a screen, for tests. Each opening
// dialog takes the next queued script, which must name its template; the script types into
// controls, chooses radio buttons and presses buttons, as a user would. The backend records
// every message box, shell target and dialog, with what each control showed after the
// dialog opened and after every step. Terminate throws ScriptedExit, so a test can see the
// status where the real program would end.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/dialog.h"

namespace testing_support {

struct ScriptedExit {
  int status;
};

// Runs `action`; returns the exit status it ended the program with, or -1 if it returned.
int ExitStatusOf(const std::function<void()>& action);

struct Step {
  enum Kind { kType, kChoose, kPress, kClose, kCall, kSysCommand };
  Kind kind;
  int id = 0;
  std::string text;
  std::function<void()> call;
};
Step Type(int id, std::string text);  // replaces the control's text, as typed (byte limit kept)
Step Choose(int radio_id);            // clicks a radio button
Step Press(int button_id);            // presses a button (or chooses a menu command)
Step Close();                         // the close box or Esc
Step SysCommand(int id);              // chooses an entry the dialog added to its system menu
Step Call(std::function<void()> f);   // runs test code between two steps (files change meanwhile)

// The state of a dialog's controls at one moment.
struct ControlState {
  std::map<int, std::string> text;
  std::map<int, bool> checked;
};

struct DialogRecord {
  int template_id = 0;
  std::vector<ControlState> states;  // after opening, then after each step
  int result = 0;                    // what DoModal returned
  int focus = 0;                     // the control that had the focus after opening
  std::vector<std::pair<int, std::string>> system_menu;  // entries the dialog added
};

class ScriptedBackend : public ui::Backend {
 public:
  ScriptedBackend();
  ~ScriptedBackend() override;

  // Queues the script for the next dialog that opens, which must be built on `template_id`.
  ScriptedBackend& When(int template_id, std::vector<Step> steps);

  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog& dialog) override;
  void MessageBox(const std::string& text) override;
  void ShellOpen(const std::string& target) override;
  [[noreturn]] void Terminate(int status) override;

  const std::vector<std::string>& boxes() const { return m_boxes; }
  const std::vector<std::string>& shell_targets() const { return m_shell; }
  const std::vector<DialogRecord>& dialogs() const { return m_dialogs; }
  // Every box, dialog opening and end, in order: "box:TEXT", "open:133", "end:133=1".
  const std::vector<std::string>& events() const { return m_events; }
  // Problems with the script itself: a dialog without a script, steps left over, a dialog
  // still open when its steps ran out, a step on a control that does not exist.
  const std::vector<std::string>& errors() const { return m_errors; }
  size_t scripts_left() const { return m_scripts.size(); }

 private:
  friend class ScriptedWindow;
  struct Script {
    int template_id;
    std::vector<Step> steps;
  };
  std::vector<Script> m_scripts;  // front is next
  std::vector<std::string> m_boxes, m_shell, m_events, m_errors;
  std::vector<DialogRecord> m_dialogs;
};

}  // namespace testing_support
