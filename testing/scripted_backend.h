// A backend that runs dialogs from a script instead of a screen, for tests. Each opening
// dialog takes the next queued script, which must name its template; the script types into
// controls, chooses radio buttons, selects and double-clicks list rows and presses buttons,
// as a user would, and answers OK/Cancel questions from a queue. The backend records every
// message box, question, shell target and dialog, with what each control showed after the
// dialog opened and after every step.
#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "ui/backend.h"
#include "ui/dialog.h"
#include "ui/window_layout.h"

namespace testing_support {

struct Step {
  enum Kind {
    kType,
    kChoose,
    kPress,
    kClose,
    kCall,
    kSysCommand,
    kSelect,
    kDoubleClick,
    kTab,
    kKey,
    kTypeUtf8,
    kResize,
    kActivate,
    kTimer
  };
  Kind kind;
  int id = 0;
  std::string text;
  std::function<void()> call;
  std::vector<size_t> rows = {};
  ui::Key key = ui::Key::kReturn;
  ui::Size size = {};
};
// Replaces the control's text, as typed (byte limit kept); an edit tells its dialog.
Step Type(int id, std::string text);
Step Choose(int radio_id);           // clicks a radio button or a check box
Step Press(int button_id);           // presses a button (or chooses a menu command)
Step Close();                        // the close box or Esc
Step SysCommand(int id);             // chooses an entry the dialog added to its system menu
Step Call(std::function<void()> f);  // runs test code between two steps (files change meanwhile)
Step Select(int list_id, std::vector<size_t> rows);  // selects exactly these rows of a list
Step DoubleClick(int list_id, size_t row);           // selects the row and activates it
// Moves the focus to a control with the keyboard; a list with no row selected selects its
// current row (the first when it has none), as DialogWindow says.
Step Tab(int id);
// Presses a key on the control with the focus: the dialog takes it first (Dialog::HandleKey);
// if not, Enter activates a list's current row or presses the default button (IDOK when
// there is none), and the other keys do nothing.
Step Key(ui::Key key);
// Types UTF-8 text into an edit as a window would: a text with a character code page 932
// cannot hold is refused whole (the field keeps its text, the dialog hears nothing, and
// refused() names the character); other text is typed as Type does.
Step TypeUtf8(int id, std::string utf8);
// Drags the window's border until its client area is cx by cy dialog units: a growing
// template's window takes the size (never below the template's), any other keeps its own.
Step Resize(int cx, int cy);
// The user comes back to the window (it becomes the active one).
Step Activate();
// Lets the window's timer fire up to `times` times, as the event loop would while the user
// waits; it stops early once the dialog stops its timer. A timer that is not running fires
// nothing.
Step Timer(int times = 1);

// The state of a dialog's controls at one moment.
struct ControlState {
  std::map<int, std::string> text;
  std::map<int, bool> checked;
  int focus = 0;                                              // the control with the focus
  std::map<int, std::vector<std::vector<std::string>>> rows;  // lists: each row's cells
  std::map<int, std::vector<size_t>> selection;               // lists: the selected rows
  ui::Size client;                                            // in dialog units
  std::vector<ui::Rect> rects;  // every control's place, in template order
};

struct DialogRecord {
  int template_id = 0;
  std::vector<ControlState> states;  // after opening, then after each step
  int result = 0;                    // what DoModal returned
  int focus = 0;                     // the control that had the focus after opening
  std::vector<std::pair<int, std::string>> system_menu;  // entries the dialog added
};

class ScriptedWindow;

class ScriptedBackend : public ui::Backend {
 public:
  ScriptedBackend();
  ~ScriptedBackend() override;

  // Queues the script for the next dialog that opens, which must be built on `template_id`.
  ScriptedBackend& When(int template_id, std::vector<Step> steps);
  // Runs `steps` on the open modeless window built on `template_id`, as the user would while
  // other windows go on.
  void Drive(int template_id, const std::vector<Step>& steps);
  bool IsOpenBeside(int template_id) const;
  // Queues the answer to the next question (Confirm): true for OK.
  ScriptedBackend& Answer(bool ok);
  // Queues the folder the user chooses at the next ChooseFolder; an empty one cancels.
  ScriptedBackend& ChooseFolderAnswer(std::string folder);

  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog& dialog) override;
  void MessageBox(const std::string& text) override;
  // Takes the next queued answer; a question nobody answered is an error and gets Cancel.
  bool Confirm(const std::string& text) override;
  // Takes the next queued folder; a choice nobody answered is an error and cancels.
  bool ChooseFolder(const std::string& title, std::string* folder) override;
  // Records the target (a file of the test's working folder by its bare name, see
  // SetFolderOfFiles); false while SetShellOpenFails(true) stands.
  bool ShellOpen(const std::string& target) override;
  void SetShellOpenFails(bool fails) { m_shellFails = fails; }
  // The running test's working folder: targets in it are recorded by their bare name, as the
  // program names them to the user. Empty records every target as given.
  static void SetFolderOfFiles(const std::string& folder);

  const std::vector<std::string>& boxes() const { return m_boxes; }
  const std::vector<std::string>& questions() const { return m_questions; }
  const std::vector<std::string>& shell_targets() const { return m_shell; }
  // The characters (UTF-8) that TypeUtf8 steps were refused for.
  const std::vector<std::string>& refused() const { return m_refused; }
  const std::vector<DialogRecord>& dialogs() const { return m_dialogs; }
  // Every box, question, dialog opening and end, in order: "box:TEXT", "confirm:TEXT=1",
  // "open:133", "end:133=1"; a folder chosen "folder:TITLE=PATH" (empty when cancelled);
  // each firing of a window's timer "timer".
  const std::vector<std::string>& events() const { return m_events; }
  // Problems with the script itself: a dialog without a script, steps left over, a dialog
  // still open when its steps ran out, a step on a control that does not exist, a question
  // without an answer, answers left over.
  const std::vector<std::string>& errors() const { return m_errors; }
  size_t scripts_left() const { return m_scripts.size(); }
  size_t answers_left() const { return m_answers.size() + m_folders.size(); }
  // Whether the open window's timer runs, and its last interval.
  bool timer_running() const { return m_timerRunning; }
  int timer_ms() const { return m_timerMs; }

 private:
  friend class ScriptedWindow;
  struct Script {
    int template_id;
    std::vector<Step> steps;
  };
  std::vector<Script> m_scripts;  // front is next
  std::deque<bool> m_answers;     // front is next
  std::deque<std::string> m_folders;
  bool m_timerRunning = false;
  int m_timerMs = 0;
  std::vector<std::string> m_boxes, m_questions, m_shell, m_events, m_errors, m_refused;
  std::vector<DialogRecord> m_dialogs;
  std::map<int, ScriptedWindow*> m_modeless;  // the windows open beside, by template
  bool m_shellFails = false;
};

}  // namespace testing_support
