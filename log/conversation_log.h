// ConversationLog: appends the conversation to log.txt (TEXT mode) or log.html (HTML mode),
// or writes nothing (NOLOG), by the log mode that set.ini holds at the moment of writing.
// Each entry is built whole and appended as one unit, so a failed write leaves no half entry;
// every problem is shown to the user, nothing is returned. No file stays open between
// entries. In log.html every inserted text is escaped, so markup in it is shown, never run.
#pragma once

#include <memory>
#include <string>

#include "log/log_clock.h"
#include "settings/settings_store.h"

class ConversationLog {
 public:
  // Makes its own SettingsStore, which loads set.ini (and may run the setup dialog).
  ConversationLog();
  virtual ~ConversationLog();
  ConversationLog(const ConversationLog&) = delete;
  ConversationLog& operator=(const ConversationLog&) = delete;

  // The start of a conversation: the time and the persona's greeting.
  void WriteStartEntry(const std::string& greeting);
  // One exchange: the user's line and the persona's reply.
  void WriteExchange(const std::string& userLine, const std::string& reply);
  // The end of a conversation: the persona's last line and the time.
  void WriteEndEntry(const std::string& lastLine);
  // One line of its own, such as the outcome of learning a pair.
  void WriteNote(const std::string& note);
  // Opens the current log file with the desktop's default program; in NOLOG mode says why
  // there is none.
  void ShowLog();
  // Loads set.ini again and takes its log mode; runs before every entry.
  void RefreshMode();

 private:
  enum class Entry { kExchange, kStart, kEnd };
  void WriteEntry(Entry entry);

  SettingsStore m_settings;
  int m_mode;
  std::string m_userLine;
  std::string m_rinuLine;
  // No file member: an entry opens, appends to and closes its file in one step.
  // Made for the start or end entry being written.
  std::unique_ptr<LogClock> m_clock;
};
