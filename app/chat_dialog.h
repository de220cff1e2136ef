// The chat window: the persona's conversation (chat::Conversation) shown in a window. Each
// press of send runs one turn of it and shows the transcript; quitting says farewell. It also
// runs the commands of its menu, its command words and its About entry, none of which
// touches the transcript or the log. Start loads the settings and checks the data files
// before the window opens. When the program must end, the window closes and exit_status says
// how. The persona and the backend are borrowed.
#pragma once

#include <memory>
#include <string>

#include "chat/conversation.h"
#include "core/persona.h"
#include "ui/dialog.h"

class MemoryBookDialog;

class ChatDialog : public ui::Dialog {
 public:
  ChatDialog(core::Persona& persona, ui::Backend& backend);
  ~ChatDialog() override;

  // Before the window opens: loads set.ini (the first-run setup comes up when it is
  // missing) and checks the data files. 0 when the program must end with status 1 (the user
  // has been told why).
  int Start();
  // The status the program ends with once the window has closed.
  int exit_status() const { return m_exitStatus; }

  // Replaces the first "NAME" in `reply` by the user's name.
  void InsertUserName(std::string& reply);

  // Menu commands (menu 132); OnShowLog, OnVersion and OnSettings also run for the command
  // words "log", "ver" and "set".
  void OnShowLog();  // opens the current log, or says that none is kept
  void OnVersion();  // the About dialog
  // The settings dialog: OK stores its values, reloads the store and shows the new names;
  // Cancel reloads the store (taking in what Apply wrote) and leaves the name fields alone.
  void OnSettings();
  void OnLearn();   // the learn dialog; the outcome is not looked at
  void OnForget();  // the forget dialogs; the outcome is not looked at
  // The memory book: every record, to search, correct and prune; it stays open beside the
  // chat window (the command brings it to the front when it is).
  void OnMemoryBook();
  // The duet window: this persona talks with the persona of another folder.
  void OnDuet();
  void OnHelpPage();  // help.html of the working folder
  void OnHomePage();
  void OnRinuPage();
  void OnMailToWex();
  void OnThanksSite1();
  void OnThanksSite2();
  void OnThanksSite3();
  void OnAboutThanks();  // the note on the thanked sites

  // The whole transcript, lines separated by LF, newest first.
  const std::string& transcript() const { return m_conversation.transcript(); }

  // At most this many bytes of the transcript are shown (the newest, whole lines); the
  // transcript itself is never shortened.
  static constexpr size_t kShownTranscriptBytes = 64 * 1024;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int id) override;
  void OnSysCommand(int id) override;
  bool ReadsText(int command, int control) const override;

 private:
  void ShowTranscript();
  void ShowNames();
  // One turn of send: a command word run, or the reply shown.
  void RunTurn();
  // Closes the window; the program ends with `status`.
  void EndProgram(int status);
  // Opens `target` with the desktop's program, or says that nothing could.
  void Open(const char* target);

  std::string m_strYourName;
  std::string m_strRinuName;
  const ui::IconResource* m_hIcon;
  core::Persona& m_persona;
  chat::Conversation m_conversation;
  std::unique_ptr<MemoryBookDialog> m_book;  // open beside the chat window, or closed
  int m_exitStatus = 0;
};

// The note of the special thanks menu entry, which every front end shows as a message.
const char* SpecialThanksNote();
