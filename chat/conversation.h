// Conversation: one persona's side of a conversation, apart from any window. It runs what
// happens to one line (the window's command words, the chat words, the reply engine, the log
// entries, "NAME" put in, the transcript text) and returns an outcome that each front end (the
// chat window, the terminal, the pipe, a second persona) shows its own way. It also starts
// and ends the conversation and runs what the commands every front end offers need of it.
// What the domain has to say, and what must be asked, goes to the user (chat::User) in order.
// It owns the persona's log, settings and engine; the persona and the user are borrowed and
// must outlive it. It never ends the program: an outcome says when the front end must.
#pragma once

#include <optional>
#include <string>

#include "chat/user.h"
#include "core/persona.h"
#include "engine/reply_engine.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"

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
  // A log entry or a conversation pair of this turn could not be written (the user was told);
  // the reply still stands, nothing of the failed entry or pair stayed in the file.
  bool write_failed = false;
};

// Loads set.ini into `settings`, repairing it through the first-run setup when it is missing
// or damaged (the user is told and asked in the order it happens). False when the program must
// end with status 1 (the user has been told why).
bool LoadSettings(SettingsStore& settings, User& user);

// What a conversation gives its engine (ReplyEngine::Words): the messages of a turn told to the
// user, and the chat words that ask (learn, forget, f.) asked through the user. The persona and
// the user are borrowed.
class UserWords final : public ReplyEngine::Words {
 public:
  UserWords(core::Persona& persona, User& user) : m_persona(persona), m_user(user) {}
  void Tell(const std::string& message) override { m_user.Tell(message); }
  // The learn dialog, then the pair stored.
  core::Outcome LearnByDialog() override;
  // The forget dialogs: a keyword, the records it calls up, the number of one, which goes.
  core::Outcome ForgetByDialog() override;
  core::Outcome ForgetKeyword(const std::string& keyword) override;

 private:
  core::Persona& m_persona;
  User& m_user;
};

// The settings dialog's Apply, as a conversation gives it (SettingsApply): set.ini loaded,
// repaired through the user when damaged, then the dialog's values written, a failure told.
class SettingsApplier final : public SettingsApply {
 public:
  SettingsApplier(core::Persona& persona, User& user) : m_persona(persona), m_user(user) {}
  bool Prepare() override;
  void Apply(const SettingsValues& values) override;

 private:
  core::Persona& m_persona;
  User& m_user;
};

class Conversation {
 public:
  Conversation(core::Persona& persona, User& user);
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

  // What the commands need of the conversation (chat::RunCommand). The log to open, as
  // set.ini now says; nothing when set.ini could not be read (the program must end).
  std::optional<LogToShow> LogToOpen();
  // The settings dialog: OK stores its values and reloads them (the names change); Cancel
  // takes in what Apply wrote. False when the program must end with status 1.
  // *names_changed tells the front end to show the new names.
  bool ChangeSettings(bool* names_changed);
  // The learn dialog, then the pair stored; the forget dialogs, then the record removed.
  void Learn();
  void Forget();

  // The whole transcript, lines separated by LF, newest first.
  const std::string& transcript() const { return m_transcript; }
  // The names as the conversation shows them: from start-up and the settings dialog.
  std::string UserName() const { return m_settings.GetName(0); }
  std::string Nickname() const { return m_settings.GetName(1); }
  core::Persona& persona() { return m_persona; }
  User& user() { return m_user; }
  ConversationLog& log() { return m_log; }
  ReplyEngine& engine() { return m_engine; }

 private:
  // The outcome that ends the program with `status`.
  static Outcome Ending(int status);
  // Loads set.ini into `settings`; false when the program must end with status 1.
  bool LoadSettings(SettingsStore& settings);
  // Tells the message of a log entry, if any; true unless the entry failed.
  bool Logged(const LogOutcome& logged);

  core::Persona& m_persona;
  User& m_user;
  UserWords m_words;
  SettingsApplier m_applier;
  SettingsStore m_settings;
  ConversationLog m_log;
  ReplyEngine m_engine;
  std::string m_transcript;
  bool m_checkedSettings = false;  // StartChecked: set.ini is only ever read
};

// Replaces the first "NAME" in `reply` by `name`.
void InsertName(std::string& reply, const std::string& name);

}  // namespace chat
