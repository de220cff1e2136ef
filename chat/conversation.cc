#include "chat/conversation.h"

#include "core/text_file.h"
#include "memory/word_memory.h"
#include "res/resource.h"

namespace chat {
namespace {
constexpr const char* kGreeting = "君こんにちは。";
}  // namespace

void InsertName(std::string& reply, const std::string& name) {
  size_t at = reply.find("NAME");
  if (at == std::string::npos) return;
  reply.replace(at, 4, name);
}

bool LoadSettings(SettingsStore& settings, User& user) {
  bool written_by_setup = false;
  for (;;) {
    core::Outcome read;
    const SettingsStore::State state = settings.Read(&read, written_by_setup);
    user.Tell(read);
    if (state == SettingsStore::State::kValid) return true;
    if (state == SettingsStore::State::kFailed) return false;
    // Missing (a first start) or damaged (its message came first): the first-run setup.
    const core::Outcome written = settings.WriteSetup(user.AskFirstRunNames());
    user.Tell(written);
    if (!written.done()) return false;
    written_by_setup = true;
  }
}

Conversation::Conversation(core::Persona& persona, User& user)
    : m_persona(persona),
      m_user(user),
      m_words(persona, user),
      m_applier(persona, user),
      m_settings(persona),
      m_log(persona),
      m_engine(persona, m_log) {}

Conversation::~Conversation() = default;

bool Conversation::Start() {
  core::RemoveLeftOverCopies(m_persona.folder());
  if (!LoadSettings(m_settings)) return false;
  const core::Outcome checked = m_engine.CheckDataFiles();
  m_user.Tell(checked);
  return checked.done();
}

bool Conversation::StartChecked() {
  m_checkedSettings = true;
  return m_settings.LoadChecked();
}

bool Conversation::Logged(const LogOutcome& logged) {
  if (!logged.message.empty()) m_user.Tell(logged.message);
  return !logged.failed();
}

bool Conversation::BeginWith(const std::string& partner) {
  m_transcript.clear();
  return Logged(m_log.WriteStartEntry(m_settings, partner + kGreeting));
}

bool Conversation::EndWith() { return Logged(m_log.WriteEndEntry(m_settings, kFarewell)); }

std::string Conversation::Begin() {
  std::string greeting = m_settings.GetName(1) + ">" + m_settings.GetName(0) + kGreeting;
  Logged(m_log.WriteStartEntry(m_settings, m_settings.GetName(0) + kGreeting));
  m_transcript = greeting;
  return greeting;
}

Outcome Conversation::Ending(int status) {
  Outcome outcome;
  outcome.kind = Outcome::Kind::kEnd;
  outcome.exit_status = status;
  return outcome;
}

bool Conversation::LoadSettings(SettingsStore& settings) {
  if (m_checkedSettings) return settings.LoadChecked();
  return chat::LoadSettings(settings, m_user);
}

Outcome Conversation::Take(const std::string& input) {
  Outcome outcome;
  // Reloading the settings repairs a damaged set.ini before anything else of the turn; the
  // turn's log entries follow what it read.
  SettingsStore turn_settings(m_persona);
  if (!LoadSettings(turn_settings)) return Ending(1);
  // Whole and case-sensitive: "LOG" or "log " is an ordinary line for the engine.
  int command = input == "log"   ? ID_SHOW_LOG
                : input == "ver" ? ID_VERSION
                : input == "set" ? ID_SETTINGS
                                 : 0;
  if (command != 0) {
    outcome.kind = Outcome::Kind::kCommand;
    outcome.command = command;
    return outcome;
  }
  ReplyEngine::Turn turn = m_engine.MakeReply(input, turn_settings, m_words);
  if (turn.ends()) return Ending(turn.exit_status);
  // "NAME" is put in once for the log and once more for the transcript, so a reply holding
  // it twice shows the user's name twice.
  InsertName(turn.reply, m_settings.GetName(0));
  const bool logged = Logged(m_log.WriteExchange(turn_settings, input, turn.reply));
  outcome.write_failed = turn.write_failed || !logged;
  InsertName(turn.reply, m_settings.GetName(0));
  m_transcript = m_settings.GetName(1) + ">" + turn.reply + "\n" + m_settings.GetName(0) + ">" +
                 input + "\n" + m_transcript;
  outcome.reply = std::move(turn.reply);
  return outcome;
}

Outcome Conversation::Answer(const std::string& line, const std::string& partner,
                             const ReplyEngine::DuetLines& said) {
  Outcome outcome;
  SettingsStore turn_settings(m_persona);
  if (!LoadSettings(turn_settings)) return Ending(1);
  ReplyEngine::Turn turn = m_engine.MakeReply(line, turn_settings, m_words, &said);
  if (turn.ends()) return Ending(turn.exit_status);
  InsertName(turn.reply, partner);
  const bool logged = Logged(m_log.WriteExchangeWith(turn_settings, partner, line, turn.reply));
  outcome.write_failed = turn.write_failed || !logged;
  m_transcript =
      m_settings.GetName(1) + ">" + turn.reply + "\n" + partner + ">" + line + "\n" + m_transcript;
  outcome.reply = std::move(turn.reply);
  return outcome;
}

bool Conversation::End() {
  SettingsStore settings(m_persona);
  if (!LoadSettings(settings)) return false;
  Logged(m_log.WriteEndEntry(settings, kFarewell));
  return true;
}

std::optional<LogToShow> Conversation::LogToOpen() {
  SettingsStore settings(m_persona);
  if (!LoadSettings(settings)) return std::nullopt;
  return m_log.ShowLog(settings);
}

bool SettingsApplier::Prepare() {
  // A damaged file is repaired before the dialog's values go over it.
  SettingsStore store(m_persona);
  return LoadSettings(store, m_user);
}

void SettingsApplier::Apply(const SettingsValues& values) {
  SettingsStore store(m_persona);
  store.Assign(values.user_name, values.nickname, values.log_mode);
  m_user.Tell(store.Save());
}

bool Conversation::ChangeSettings(bool* names_changed) {
  *names_changed = false;
  const User::SettingsAnswer answer = m_user.AskSettings(m_settings.values(), m_applier);
  switch (answer.kind) {
    case User::SettingsAnswer::Kind::kEnd:
      return false;
    case User::SettingsAnswer::Kind::kOk:
      m_settings.Assign(answer.values.user_name, answer.values.nickname, answer.values.log_mode);
      m_user.Tell(m_settings.Save());
      // Loading again turns a mode outside 0 to 3 (no button chosen) into 1 and writes it.
      if (!LoadSettings(m_settings)) return false;
      *names_changed = true;
      return true;
    case User::SettingsAnswer::Kind::kCancel:
      // Takes in whatever Apply wrote; the names shown stay as they are.
      return LoadSettings(m_settings);
    case User::SettingsAnswer::Kind::kNone:
      return true;
  }
  return true;
}

void Conversation::Learn() { m_user.Tell(m_words.LearnByDialog()); }

void Conversation::Forget() { m_user.Tell(m_words.ForgetByDialog()); }

core::Outcome UserWords::LearnByDialog() {
  // Only OK hands a pair on: a dialog that could not be shown gives nothing to learn.
  std::optional<TaughtPair> pair = m_user.AskPair();
  if (!pair) return core::Outcome::Of(core::Outcome::Kind::kRefused);
  return WordMemory(m_persona).AppendRecord(pair->keyword, pair->reply);
}

core::Outcome UserWords::ForgetByDialog() {
  std::optional<std::string> keyword = m_user.AskKeyword();
  if (!keyword) return core::Outcome::Of(core::Outcome::Kind::kRefused);
  return ForgetKeyword(*keyword);
}

core::Outcome UserWords::ForgetKeyword(const std::string& keyword) {
  WordMemory memory(m_persona);
  core::Outcome listed = memory.List(keyword);
  if (!listed.done()) return listed;
  std::optional<int> number = m_user.AskRecordNumber(memory.matches());
  if (!number) return core::Outcome::Of(core::Outcome::Kind::kRefused);
  return memory.ForgetChosen(*number);
}

}  // namespace chat
