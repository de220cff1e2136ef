// The commands every front end offers (the chat window's menu, the terminal's "/N", the command
// words "log", "ver" and "set"), in one table: each menu id maps to what it does, as a
// Command that the window, the terminal and the pipe each render their own way. Adding a
// command is one row of the table.
#pragma once

#include <optional>
#include <string>

#include "chat/conversation.h"

namespace chat {

struct Command {
  enum class Kind {
    kDone,         // done in the conversation (settings, learn, forget): nothing more to show
    kOpenFile,     // open `target`, a file of the persona's folder, or say it cannot be opened
    kOpenAddress,  // open `target`, a web page or a mail address, or say it cannot be opened
    kNote,         // show `text` to read
    kAbout,        // the About dialog
    kBook,         // the memory book beside the chat: a window's own
    kDuet,         // the duet window: a window's own
    kEnd,          // the program must end with status 1 (set.ini could not be read)
  };
  Kind kind = Kind::kDone;
  std::string target;
  std::string text;
  bool names_changed = false;  // kDone after the settings: the names shown change
};

// Runs the command `id` (a menu id) on `conversation`; nothing for an id no command has.
std::optional<Command> RunCommand(Conversation& conversation, int id);

// The note of the special thanks entry.
const char* SpecialThanksNote();

}  // namespace chat
