// The one interface between the dialog framework and a window system, and the platform
// services the program uses: message boxes and opening a file or address with the desktop's
// default program. The Qt backend draws real windows; the scripted backend of testing/ runs
// dialogs from a script. main (or a test) owns the backend and hands it by reference to
// every object that talks to the user; it must outlive them all.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_template.h"

namespace ui {

class Dialog;
class ListModel;
struct IconResource;

// What a control tells its dialog (Dialog::OnNotify) besides a button press.
enum class Notify {
  kEditChange,           // the user changed an edit's text
  kListSelectionChange,  // the user changed a list's selection
  kListActivate,         // the user double-clicked a list row or pressed Enter on it
};

// A key pressed on a control, offered to its dialog (Dialog::HandleKey) before the control
// takes it. A backend maps its own keys to these.
enum class Key {
  kReturn,  // Enter, without modifiers
  kDelete,  // Delete, without modifiers
  kCtrlF,
  kCtrlY,
  kCtrlZ,
};

// One open modal window, made by a backend for a Dialog. Control texts are Shift-JIS bytes.
class DialogWindow {
 public:
  virtual ~DialogWindow() = default;

  // Shows the window and runs a nested modal loop until EndModal; returns its result.
  virtual int RunModal() = 0;
  virtual void EndModal(int result) = 0;
  // Shows the window beside the others and returns at once; the user goes on with every
  // window. EndModal (or the user closing it) then closes it, and the backend tells the
  // dialog (Dialog::HandleClosed). False when the backend has no such windows.
  virtual bool ShowModeless() { return false; }
  // Brings a modeless window to the front.
  virtual void Activate() {}

  virtual std::string GetText(int id) const = 0;
  virtual void SetText(int id, const std::string& text) = 0;
  virtual bool IsChecked(int id) const = 0;
  virtual void SetChecked(int id, bool checked) = 0;
  // The edit control refuses input past this many Shift-JIS bytes.
  virtual void SetLimitBytes(int id, int max_bytes) = 0;
  virtual void SetFocus(int id) = 0;
  virtual void SetIcon(const IconResource* icon) = 0;
  // Adds a separator and an entry to the window's system menu (on a desktop without one,
  // the backend puts it where users look for window commands). Choosing it calls
  // Dialog::HandleSysCommand(id). False when the window has no such menu.
  virtual bool AppendSystemMenuItem(int id, const std::string& caption) {
    (void)id;
    (void)caption;
    return false;
  }

  // List controls. The model is borrowed and must outlive the window; null shows nothing.
  // A list the user moves the focus into with the keyboard while none of its rows is
  // selected selects its current row (the first when it has none), so Enter acts on it.
  virtual void SetListModel(int id, const ListModel* model) {
    (void)id;
    (void)model;
  }
  // The model's rows changed: the list shows them afresh, with nothing selected.
  virtual void ListChanged(int id) { (void)id; }
  // The selected rows, ascending.
  virtual std::vector<size_t> GetListSelection(int id) const {
    (void)id;
    return {};
  }
  // Selects exactly `rows`; the lowest becomes the current row and is scrolled into view.
  virtual void SetListSelection(int id, const std::vector<size_t>& rows) {
    (void)id;
    (void)rows;
  }
  // The row shown at the top of the list, and scrolling the list so that `row` is there.
  virtual size_t GetListTopRow(int id) const {
    (void)id;
    return 0;
  }
  virtual void SetListTopRow(int id, size_t row) {
    (void)id;
    (void)row;
  }

  // The window's timer: Dialog::HandleTimer runs every `ms` milliseconds (0: whenever the
  // window has nothing else to do) from the window's own event loop, so the window stays
  // usable in between, until StopTimer or the end of the window. Starting it again restarts
  // it. False when the backend has no timer: the dialog must do its work at once.
  virtual bool StartTimer(int ms) {
    (void)ms;
    return false;
  }
  virtual void StopTimer() {}
};

// A window that ends at once with IDCANCEL, untouched: what a backend gives a dialog it
// cannot show (a pipe, a script without a step for it).
class CancelledWindow : public DialogWindow {
 public:
  int RunModal() override { return IDCANCEL; }
  void EndModal(int) override {}
  std::string GetText(int) const override { return ""; }
  void SetText(int, const std::string&) override {}
  bool IsChecked(int) const override { return false; }
  void SetChecked(int, bool) override {}
  void SetLimitBytes(int, int) override {}
  void SetFocus(int) override {}
  void SetIcon(const IconResource*) override {}
};

class Backend {
 public:
  virtual ~Backend() = default;

  virtual std::unique_ptr<DialogWindow> CreateDialogWindow(Dialog& dialog) = 0;
  // An OK-only message box over the active window.
  virtual void MessageBox(const std::string& text) = 0;
  // An OK/Cancel question over the active window; true for OK. A backend that cannot ask
  // answers Cancel.
  virtual bool Confirm(const std::string& text) {
    (void)text;
    return false;
  }
  // A Yes/No question; true for Yes. By default it is asked as Confirm asks (a terminal's
  // y/n line), and a backend that cannot ask answers No.
  virtual bool AskYesNo(const std::string& text) { return Confirm(text); }
  // Opens a file of the working folder or an address with the desktop's default program;
  // false when nothing could open it.
  virtual bool ShellOpen(const std::string& target) = 0;
  // Asks the user for a folder, starting at `*folder` when it is not empty; the chosen path
  // (in the system's encoding of file names) goes to `*folder`. `title` is Shift-JIS. False
  // when the user cancelled, or when the backend cannot ask.
  virtual bool ChooseFolder(const std::string& title, std::string* folder) {
    (void)title;
    (void)folder;
    return false;
  }
};

}  // namespace ui
