// User: the person at the other end of a conversation, as a front end lets the program reach
// them. Whatever the conversation must show or ask goes through it: a message to read (a box
// with OK in a window) and the questions: a pair to learn, a keyword to forget by, a record
// number, the settings, the first-run names, whether to make a new persona here. The window
// answers with its dialogs, the terminal with the same dialogs drawn as lines, the pipe by
// declining each question with a notice. The domain below chat/ neither shows nor asks: it
// returns what happened, and the conversation passes it on through this.
#pragma once

#include <optional>
#include <string>

#include "core/outcome.h"
#include "settings/settings_store.h"

namespace chat {

// A pair the user teaches: the words to answer, and the answer.
struct TaughtPair {
  std::string keyword;
  std::string reply;
};

// What the settings dialog's Apply does while the dialog stays open: Prepare loads set.ini
// (repaired through the first-run setup when damaged) and is false when the program must end;
// Apply then writes the values shown.
class SettingsApply {
 public:
  virtual bool Prepare() = 0;
  virtual void Apply(const SettingsValues& values) = 0;

 protected:
  ~SettingsApply() = default;
};

class User {
 public:
  virtual ~User() = default;

  // A message to read; the next step waits until it has been read.
  virtual void Tell(const std::string& message) = 0;
  // Each message of `outcome`, in order.
  void Tell(const core::Outcome& outcome) {
    for (const std::string& message : outcome.messages) Tell(message);
  }

  // The learn dialog: nothing when it was not closed with OK.
  virtual std::optional<TaughtPair> AskPair() = 0;
  // The forget dialogs: the keyword, then the number of the record in `listing` (its entries
  // one "N : record" a line).
  virtual std::optional<std::string> AskKeyword() = 0;
  virtual std::optional<int> AskRecordNumber(const std::string& listing) = 0;
  // The first-run setup: the names and the log mode, HTML chosen at first. Always answered:
  // closed without OK it gives what it began with.
  virtual SettingsValues AskFirstRunNames() = 0;
  // The settings dialog, showing `current`; its Apply runs `apply`.
  struct SettingsAnswer {
    // kEnd: Apply found that the program must end; kNone: nothing could be asked.
    enum class Kind { kOk, kCancel, kEnd, kNone };
    Kind kind = Kind::kCancel;
    SettingsValues values;  // for kOk
  };
  virtual SettingsAnswer AskSettings(const SettingsValues& current, SettingsApply& apply) = 0;
  // A Yes/No question; true for Yes.
  virtual bool AskYesNo(const std::string& question) = 0;
};

}  // namespace chat
