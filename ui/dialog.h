// Dialog: a dialog built on a template, in the manner of the Windows dialog framework the
// program was designed against. Subclasses hold their fields, exchange them with the
// controls in DoDataExchange and override the handlers. DoModal asks the dialog's backend
// for a window, which calls back HandleInitDialog and HandleCommand while it runs; Create
// opens the window beside the others (modeless): the dialog owns that window until it is
// destroyed, and hears of its closing through HandleClosed.
#pragma once

#include <memory>
#include <string>

#include "ui/backend.h"
#include "ui/dialog_template.h"

namespace ui {

class DataExchange;

class Dialog {
 public:
  // `tmpl` and `backend` are borrowed and must outlive the dialog (templates are static data
  // in res/).
  Dialog(const DialogTemplate& tmpl, Backend& backend);
  virtual ~Dialog();
  Dialog(const Dialog&) = delete;
  Dialog& operator=(const Dialog&) = delete;

  // Runs the dialog modally: IDOK, IDCANCEL, what EndDialog gave, or -1 when no window
  // could be made.
  int DoModal();
  // Opens the window modeless and returns at once; false when the backend cannot (the
  // caller may run the dialog modally instead) or no window could be made.
  bool Create();
  void EndDialog(int result);
  // Brings the open modeless window to the front.
  void Activate();

  // Control exchange: false (load) puts the fields into the controls, true (save) takes
  // them back with validation. Returns false when a validation failed.
  bool UpdateData(bool save = true);
  std::string GetDlgItemText(int id) const;
  // Gives the focus to control `id`.
  void GotoDlgCtrl(int id);
  void SetDlgItemText(int id, const std::string& text);

  const DialogTemplate& Template() const { return m_template; }
  Backend& backend() const { return m_backend; }
  bool IsOpen() const { return m_window != nullptr; }
  // The open window, or null; for the data exchange.
  DialogWindow* Window() const { return m_window; }
  // Window icon, set before or during the run.
  void SetIcon(const IconResource* icon);

  // Called by the backend once the window exists, before it is shown.
  bool HandleInitDialog();
  // Called by the backend for a button press or a menu command: IDOK runs OnOK, IDCANCEL
  // (also Esc and the close box) OnCancel, anything else OnCommand.
  void HandleCommand(int id);
  // Called by the backend when a modeless window closed, when a window became the active one,
  // and for the timer of StartTimer.
  void HandleClosed();
  void HandleActivate() { OnActivate(); }
  // Called by the backend for an entry of the system menu added by AppendSystemMenuItem.
  void HandleSysCommand(int id) { OnSysCommand(id); }
  // Called by the backend when control `id` sends `code`.
  void HandleNotify(int id, Notify code) { OnNotify(id, code); }
  // Called by the backend for `key` pressed while control `id` has the focus, before the
  // control or the window acts on it; true when the dialog took the key.
  bool HandleKey(int id, Key key) { return OnKey(id, key); }
  // Called by the backend when the window's timer fires.
  void HandleTimer() { OnTimer(); }

  // The window's timer (DialogWindow::StartTimer): OnTimer every `ms` milliseconds until
  // StopTimer. False when there is no window or its backend has no timer.
  bool StartTimer(int ms);
  void StopTimer();

 protected:
  // Default: loads the fields into the controls; true gives the focus to the first tab stop.
  virtual bool OnInitDialog();
  // Default: validates and saves the fields, then ends with IDOK.
  virtual void OnOK();
  // Default: ends with IDCANCEL and saves nothing.
  virtual void OnCancel();
  virtual void DoDataExchange(DataExchange& dx);
  // Menu items and buttons other than OK and Cancel; returns whether it was handled.
  virtual bool OnCommand(int id);
  // System-menu entries the dialog added itself.
  virtual void OnSysCommand(int id) { (void)id; }
  // The window became the active one; by default nothing happens.
  virtual void OnActivate() {}
  // Keys of the controls; by default none is taken.
  virtual bool OnKey(int id, Key key) {
    (void)id;
    (void)key;
    return false;
  }
  // The window's timer fired; by default nothing happens.
  virtual void OnTimer() {}
  // Notifications of the controls; by default none is looked at.
  virtual void OnNotify(int id, Notify code) {
    (void)id;
    (void)code;
  }

 public:
  // Whether command `command` reads the text of edit control `control`: the backend checks
  // only those texts before the command runs. Default: every edit.
  virtual bool ReadsText(int command, int control) const {
    (void)command;
    (void)control;
    return true;
  }

 private:
  const DialogTemplate& m_template;
  Backend& m_backend;
  DialogWindow* m_window = nullptr;
  std::unique_ptr<DialogWindow> m_modeless;  // the window Create made, open or closed
  const IconResource* m_icon = nullptr;
};

}  // namespace ui
