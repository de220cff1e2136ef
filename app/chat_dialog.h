// The chat window: the persona's conversation (chat::Conversation) shown in a window. Each
// press of send runs one turn of it and shows the transcript; quitting says farewell. Its menu,
// its command words and its About entry run the commands of chat::RunCommand, shown as a
// window shows them (the memory book and the duet window are its own). The conversation
// reaches the user through the window's dialogs and boxes. Start loads the settings and checks
// the data files before the window opens. When the program must end, the window closes and
// exit_status says how. The persona and the backend are borrowed.
#pragma once

#include <memory>
#include <string>

#include "app/dialog_user.h"
#include "chat/commands.h"
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

  // The whole transcript, lines separated by LF, newest first.
  const std::string& transcript() const { return m_conversation.transcript(); }

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
  // A command as the window shows it.
  void Show(const chat::Command& command);
  // The memory book beside the chat window (brought to the front when it is open already);
  // the duet window.
  void OpenBook();
  void OpenDuet();
  void OpenAbout();

  std::string m_strYourName;
  std::string m_strRinuName;
  const ui::IconResource* m_hIcon;
  core::Persona& m_persona;
  DialogUser m_user;
  chat::Conversation m_conversation;
  std::unique_ptr<MemoryBookDialog> m_book;  // open beside the chat window, or closed
  int m_exitStatus = 0;
};
