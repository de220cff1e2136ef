// The chat window: greets the user, runs one turn for every press of send (reply from the
// engine, "NAME" put in, exchange logged, transcript newest first) and logs the farewell on
// quit. It owns the conversation's log, settings and reply engine for its whole life; their
// construction may show the first-run setup dialog or end the program (a missing data file).
#pragma once

#include <string>

#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "ui/dialog.h"

class ChatDialog : public ui::Dialog {
 public:
  ChatDialog();
  ~ChatDialog() override;

  // Gives the log the input and the reply, the reply with the user's name put in.
  void LogExchange(const std::string& input, std::string& reply);
  // Puts the persona's and the user's lines in front of the transcript and shows it.
  void AddExchangeToTranscript(const std::string& input, std::string& reply);
  // Replaces the first "NAME" in `reply` by the user's name.
  void InsertUserName(std::string& reply);

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

 private:
  void ShowTranscript();

  // Construction runs in this order: the log (its settings may run the first-run setup),
  // the names, the settings, the transcript, the engine (ends the program when a data file
  // is missing).
  ConversationLog m_log;
  std::string m_strYourName;
  std::string m_strRinuName;
  const ui::IconResource* m_hIcon;
  SettingsStore m_settings;
  std::string m_transcript;
  ReplyEngine m_engine;
};
