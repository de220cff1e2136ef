// The chat window: one turn per press of send (reply, "NAME" put in, exchange logged,
// transcript newest first), the farewell on quit, and the commands of its menu, its command
// words and its About entry, none of which touches the transcript or the log. It owns the
// log, settings and reply engine; Start loads the settings and checks the data files before
// the window opens. When the program must end, the window closes and exit_status says how.
#pragma once

#include <string>

#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "ui/dialog.h"

class ChatDialog : public ui::Dialog {
 public:
  explicit ChatDialog(ui::Backend& backend);
  ~ChatDialog() override;

  // Before the window opens: loads set.ini (the first-run setup comes up when it is
  // missing), checks the data files and seeds the random draws once. 0 when the program
  // must end with status 1 (the user has been told why).
  int Start();
  // The status the program ends with once the window has closed.
  int exit_status() const { return m_exitStatus; }

  // Puts the persona's and the user's lines in front of the transcript and shows it.
  void AddExchangeToTranscript(const std::string& input, std::string& reply);
  // Replaces the first "NAME" in `reply` by the user's name.
  void InsertUserName(std::string& reply);

  // Menu commands (menu 132); OnShowLog, OnVersion and OnSettings also run for the command
  // words "log", "ver" and "set".
  void OnShowLog();  // opens the current log, or says that none is kept
  void OnVersion();  // the About dialog
  // The settings dialog: OK stores its values, reloads the store and shows the new names;
  // Cancel reloads the store (taking in what Apply wrote) and leaves the name fields alone.
  void OnSettings();
  void OnLearn();     // the learn dialog; the outcome is not looked at
  void OnForget();    // the forget dialogs; the outcome is not looked at
  // The memory book: every record, to search, correct and prune.
  void OnMemoryBook();
  void OnHelpPage();  // help.html of the working folder
  void OnHomePage();
  void OnRinuPage();
  void OnMailToWex();
  void OnThanksSite1();
  void OnThanksSite2();
  void OnThanksSite3();
  void OnAboutThanks();  // the note on the thanked sites

  // The whole transcript, lines separated by LF, newest first.
  const std::string& transcript() const { return m_transcript; }

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
  // One turn of send: the command words, or the engine's reply logged and shown.
  void RunTurn();
  // Runs the command word `input` is, if it is one; false for any other text.
  bool RunCommandWord(const std::string& input);
  // Loads set.ini into `settings`; false when the program must end, which the window then
  // does with status 1.
  bool LoadSettings(SettingsStore& settings);
  // Closes the window; the program ends with `status`.
  void EndProgram(int status);
  // Opens `target` with the desktop's program, or says that nothing could.
  void Open(const char* target);

  std::string m_strYourName;
  std::string m_strRinuName;
  const ui::IconResource* m_hIcon;
  SettingsStore m_settings;  // the names the window shows, from start-up and the settings dialog
  ConversationLog m_log;
  ReplyEngine m_engine;
  std::string m_transcript;
  int m_exitStatus = 0;
};
