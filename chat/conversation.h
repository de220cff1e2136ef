// Conversation: one persona's side of a conversation, apart from any window. It runs what
// happens to one line (the window's command words, the chat words, the reply engine, the log
// entries, "NAME" put in, the transcript text) and returns an outcome that each front end (the
// chat window, the terminal, the pipe, a second persona) shows its own way. It also starts
// and ends the conversation and runs the commands every front end offers. It owns the
// persona's log, settings and engine; the persona and the backend are borrowed and must
// outlive it. It never ends the program: an outcome says when the front end must.
#pragma once

#include <string>

#include "core/persona.h"
#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "ui/backend.h"

namespace chat {

struct Outcome {
  enum class Kind {
    kReply,    // the persona answered: `reply`, logged and put in front of the transcript
    kCommand,  // the line was a command word: run `command` (a menu id) and clear the input
    kEnd,      // end the program with `exit_status` (after "exit", or when a file failed)
  };
  Kind kind = Kind::kReply;
  std::string reply;  // as shown, "NAME" put in
  int command = 0;
  int exit_status = 0;
  // A file of the persona's folder could not be written this turn (the user was told); the
  // reply still stands, nothing of the failed entry or pair stayed in the file.
  bool write_failed = false;
};

class Conversation {
 public:
  Conversation(core::Persona& persona, ui::Backend& backend);
  ~Conversation();
  Conversation(const Conversation&) = delete;
  Conversation& operator=(const Conversation&) = delete;

  // Before anything is shown: removes copies a killed rewrite left, loads set.ini (the
  // first-run setup comes up when it is missing) and checks the data files. False when the
  // program must end with status 1 (the user has been told why).
  bool Start();
  // Start for a persona whose user is not at hand (the partner of a duet, a folder named on
  // the command line): set.ini is read as SettingsStore::LoadChecked reads it, now and at
  // every later turn, so no setup dialog ever comes up and nothing is repaired. False when it
  // is not valid. The data files are the caller's to check.
  bool StartChecked();
  // The greeting ("nickname>name君こんにちは。"), which begins the transcript; writes the log's
  // start entry.
  std::string Begin();
  // One line of the user's.
  Outcome Take(const std::string& input);
  // One line of another persona's, whose nickname is `partner`, in a duet whose lines so far
  // `said` knows: the turn follows the duet's rules (ReplyEngine::MakeReply), "NAME" becomes
  // `partner`, and the log shows `partner` where it shows the user.
  Outcome Answer(const std::string& line, const std::string& partner,
                 const ReplyEngine::DuetLines& said);
  // The start and end entries of a conversation with another persona whose nickname is
  // `partner`: the greeting goes to `partner`. False when the entry could not be written
  // (the user was told).
  bool BeginWith(const std::string& partner);
  bool EndWith();
  // The farewell: the log's end entry. False when set.ini could not be read: the program
  // must end with status 1.
  bool End();

  // The commands every front end offers. False when the program must end with status 1.
  bool ShowLog();
  // The settings dialog: OK stores its values and reloads them (the names change); Cancel
  // takes in what Apply wrote. *names_changed tells the front end to show the new names.
  bool ChangeSettings(bool* names_changed);
  void Learn();
  void Forget();

  // The whole transcript, lines separated by LF, newest first.
  const std::string& transcript() const { return m_transcript; }
  // The names as the conversation shows them: from start-up and the settings dialog.
  std::string UserName() const { return m_settings.GetName(0); }
  std::string Nickname() const { return m_settings.GetName(1); }
  core::Persona& persona() { return m_persona; }
  ConversationLog& log() { return m_log; }
  ReplyEngine& engine() { return m_engine; }

 private:
  // The outcome that ends the program with `status`.
  static Outcome Ending(int status);
  // Loads set.ini into `settings`; false when the program must end with status 1.
  bool LoadSettings(SettingsStore& settings);

  core::Persona& m_persona;
  ui::Backend& m_backend;
  SettingsStore m_settings;
  ConversationLog m_log;
  ReplyEngine m_engine;
  std::string m_transcript;
  bool m_checkedSettings = false;  // StartChecked: set.ini is only ever read
};

// Replaces the first "NAME" in `reply` by `name`.
void InsertName(std::string& reply, const std::string& name);

}  // namespace chat
