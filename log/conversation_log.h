// ConversationLog: appends the conversation to log.txt (TEXT mode) or log.html (HTML mode),
// or writes nothing (NOLOG), by the log mode and names of the settings the caller loaded for
// this moment. Each entry is built whole and appended as one unit, so a failed write leaves
// no half entry; every problem is returned with the message the user is to read. No file
// stays open between entries. In log.html every inserted text is escaped, so markup in it is
// shown, never run.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "core/persona.h"
#include "log/log_clock.h"
#include "settings/settings_store.h"

// The persona's last line when a conversation ends.
inline constexpr const char* kFarewell = "ばいばーい";

// What became of one entry.
enum class LogResult {
  kWritten,
  kNotKept,      // NOLOG: nothing to write
  kWrongMode,    // a log mode that writes nothing and says so (3)
  kWriteFailed,  // the file could not be opened or written; nothing of the entry stayed
};

// What became of one entry, and what the user is to read of it (empty when nothing).
struct LogOutcome {
  LogResult result = LogResult::kWritten;
  std::string message;
  bool failed() const { return result == LogResult::kWriteFailed; }
};

// The log to show the user: its file in the working folder, or why there is none.
struct LogToShow {
  const char* file = nullptr;  // log.txt or log.html, or null
  std::string message;         // NOLOG: why nothing is kept
};

class ConversationLog {
 public:
  // Borrows the persona (its folder and clock), which must outlive it.
  explicit ConversationLog(core::Persona& persona);
  virtual ~ConversationLog();
  ConversationLog(const ConversationLog&) = delete;
  ConversationLog& operator=(const ConversationLog&) = delete;

  // The start of a conversation: the time and the persona's greeting.
  LogOutcome WriteStartEntry(const SettingsStore& settings, const std::string& greeting);
  // One exchange: the user's line and the persona's reply.
  LogOutcome WriteExchange(const SettingsStore& settings, const std::string& userLine,
                           const std::string& reply);
  // The same, with `speaker` in the place of the user's name (another persona talking).
  LogOutcome WriteExchangeWith(const SettingsStore& settings, const std::string& speaker,
                               const std::string& userLine, const std::string& reply);
  // The end of a conversation: the persona's last line and the time.
  LogOutcome WriteEndEntry(const SettingsStore& settings, const std::string& lastLine);
  // One line of its own, such as the outcome of learning a pair.
  LogOutcome WriteNote(const SettingsStore& settings, const std::string& note);
  // The log of the current mode, to be opened with the desktop's default program; in NOLOG
  // mode why there is none; with the mode that writes nothing (3), neither.
  LogToShow ShowLog(const SettingsStore& settings) const;

 private:
  enum class Entry { kExchange, kStart, kEnd };
  LogOutcome WriteEntry(const SettingsStore& settings, Entry entry);
  LogOutcome Append(const char* path, std::string_view entry, const char* failure);

  core::Persona& m_persona;
  std::string m_speaker;  // the user's name of the exchange being written
  std::string m_userLine;
  std::string m_rinuLine;
  // No file member: an entry opens, appends to and closes its file in one step.
  // Made for the start or end entry being written.
  std::unique_ptr<LogClock> m_clock;
};
