// ConversationLog: appends the conversation to log.txt (TEXT mode) or log.html (HTML mode),
// or writes nothing (NOLOG), by the log mode and names of the settings the caller loaded for
// this moment. Each entry is built whole and appended as one unit, so a failed write leaves
// no half entry; every problem is shown to the user through the borrowed backend and
// returned. No file stays open between entries. In log.html every inserted text is escaped,
// so markup in it is shown, never run.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/persona.h"
#include "log/log_clock.h"
#include "settings/settings_store.h"
#include "ui/backend.h"

// What became of one entry.
enum class LogResult {
  kWritten,
  kNotKept,      // NOLOG: nothing to write
  kWrongMode,    // a log mode that writes nothing and says so (3)
  kWriteFailed,  // the file could not be opened or written; nothing of the entry stayed
};

class ConversationLog {
 public:
  // Borrows the persona (its folder and clock) and the backend, which must outlive it.
  ConversationLog(core::Persona& persona, ui::Backend& backend);
  virtual ~ConversationLog();
  ConversationLog(const ConversationLog&) = delete;
  ConversationLog& operator=(const ConversationLog&) = delete;

  // The start of a conversation: the time and the persona's greeting.
  LogResult WriteStartEntry(const SettingsStore& settings, const std::string& greeting);
  // One exchange: the user's line and the persona's reply.
  LogResult WriteExchange(const SettingsStore& settings, const std::string& userLine,
                          const std::string& reply);
  // The same, with `speaker` in the place of the user's name (another persona talking).
  LogResult WriteExchangeWith(const SettingsStore& settings, const std::string& speaker,
                              const std::string& userLine, const std::string& reply);
  // The end of a conversation: the persona's last line and the time.
  LogResult WriteEndEntry(const SettingsStore& settings, const std::string& lastLine);
  // One line of its own, such as the outcome of learning a pair.
  LogResult WriteNote(const SettingsStore& settings, const std::string& note);
  // Opens the current log file with the desktop's default program; in NOLOG mode says why
  // there is none, and when nothing could open the file, says that.
  void ShowLog(const SettingsStore& settings);

 private:
  enum class Entry { kExchange, kStart, kEnd };
  LogResult WriteEntry(const SettingsStore& settings, Entry entry);
  LogResult Append(const char* path, std::string_view entry, const char* failure);

  core::Persona& m_persona;
  ui::Backend& m_backend;
  std::string m_speaker;  // the user's name of the exchange being written
  std::string m_userLine;
  std::string m_rinuLine;
  // No file member: an entry opens, appends to and closes its file in one step.
  // Made for the start or end entry being written.
  std::unique_ptr<LogClock> m_clock;
};
