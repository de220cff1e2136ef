#include "chat/conversation.h"

#include "core/text_file.h"
#include "memory/word_memory.h"
#include "res/resource.h"
#include "res/strings.h"
#include "settings/settings_dialog.h"

namespace chat {
namespace {
constexpr const char* kGreeting = "君こんにちは。";
}  // namespace

void InsertName(std::string& reply, const std::string& name) {
  size_t at = reply.find("NAME");
  if (at == std::string::npos) return;
  reply.replace(at, 4, name);
}

Conversation::Conversation(core::Persona& persona, ui::Backend& backend)
    : m_persona(persona),
      m_backend(backend),
      m_settings(persona, backend),
      m_log(persona, backend),
      m_engine(persona, backend, m_log) {}

Conversation::~Conversation() = default;

bool Conversation::Start() {
  core::RemoveLeftOverCopies(m_persona.folder());
  return m_settings.Load() && m_engine.CheckDataFiles();
}

bool Conversation::StartChecked() {
  m_checkedSettings = true;
  return m_settings.LoadChecked();
}

bool Conversation::BeginWith(const std::string& partner) {
  m_transcript.clear();
  return m_log.WriteStartEntry(m_settings, partner + kGreeting) != LogResult::kWriteFailed;
}

bool Conversation::EndWith() {
  return m_log.WriteEndEntry(m_settings, res::kFarewell) != LogResult::kWriteFailed;
}

std::string Conversation::Begin() {
  std::string greeting = m_settings.GetName(1) + ">" + m_settings.GetName(0) + kGreeting;
  m_log.WriteStartEntry(m_settings, m_settings.GetName(0) + kGreeting);
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
  return settings.Load() != 0;
}

Outcome Conversation::Take(const std::string& input) {
  Outcome outcome;
  // Reloading the settings repairs a damaged set.ini before anything else of the turn; the
  // turn's log entries follow what it read.
  SettingsStore turn_settings(m_persona, m_backend);
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
  ReplyEngine::Turn turn = m_engine.MakeReply(input, turn_settings);
  if (turn.ends()) return Ending(turn.exit_status);
  // "NAME" is put in once for the log and once more for the transcript, so a reply holding
  // it twice shows the user's name twice.
  InsertName(turn.reply, m_settings.GetName(0));
  const LogResult logged = m_log.WriteExchange(turn_settings, input, turn.reply);
  outcome.write_failed = turn.write_failed || logged == LogResult::kWriteFailed;
  InsertName(turn.reply, m_settings.GetName(0));
  m_transcript = m_settings.GetName(1) + ">" + turn.reply + "\n" + m_settings.GetName(0) + ">" +
                 input + "\n" + m_transcript;
  outcome.reply = std::move(turn.reply);
  return outcome;
}

Outcome Conversation::Answer(const std::string& line, const std::string& partner,
                             const ReplyEngine::DuetLines& said) {
  Outcome outcome;
  SettingsStore turn_settings(m_persona, m_backend);
  if (!LoadSettings(turn_settings)) return Ending(1);
  ReplyEngine::Turn turn = m_engine.MakeReply(line, turn_settings, &said);
  if (turn.ends()) return Ending(turn.exit_status);
  InsertName(turn.reply, partner);
  const LogResult logged = m_log.WriteExchangeWith(turn_settings, partner, line, turn.reply);
  outcome.write_failed = turn.write_failed || logged == LogResult::kWriteFailed;
  m_transcript =
      m_settings.GetName(1) + ">" + turn.reply + "\n" + partner + ">" + line + "\n" + m_transcript;
  outcome.reply = std::move(turn.reply);
  return outcome;
}

bool Conversation::End() {
  SettingsStore settings(m_persona, m_backend);
  if (!LoadSettings(settings)) return false;
  m_log.WriteEndEntry(settings, res::kFarewell);
  return true;
}

bool Conversation::ShowLog() {
  SettingsStore settings(m_persona, m_backend);
  if (!LoadSettings(settings)) return false;
  m_log.ShowLog(settings);
  return true;
}

bool Conversation::ChangeSettings(bool* names_changed) {
  *names_changed = false;
  SettingsDialog dialog(m_persona, m_backend);
  dialog.m_strUserName = m_settings.GetName(0);
  dialog.m_strNickname = m_settings.GetName(1);
  dialog.m_nLogMode = m_settings.GetLogMode();
  int result = dialog.DoModal();
  if (dialog.must_end()) return false;
  if (result == ui::IDOK) {
    m_settings.Assign(dialog.m_strUserName, dialog.m_strNickname, dialog.m_nLogMode);
    m_settings.Save();
    // Loading again turns a mode outside 0 to 3 (no button chosen) into 1 and writes it.
    if (!LoadSettings(m_settings)) return false;
    *names_changed = true;
  } else if (result == ui::IDCANCEL) {
    // Takes in whatever Apply wrote; the names shown stay as they are.
    return LoadSettings(m_settings);
  }
  return true;
}

void Conversation::Learn() {
  WordMemory memory(m_persona, m_backend);
  memory.LearnByDialog();
}

void Conversation::Forget() {
  WordMemory memory(m_persona, m_backend);
  memory.ForgetByDialog();
}

}  // namespace chat
