// What the terminal and the pipe show of a command alike: a file of the persona's folder or an
// address opened (or where it is, or that it cannot be), a note as a message, the About
// dialog drawn as text. The memory book, the duet window and new names are each front end's
// own.
#pragma once

#include "chat/commands.h"
#include "ui/backend.h"

// Shows `command` through `backend`, whose ShellOpen finds a bare file name in the persona's
// folder. False when the program must end with status 1.
bool ShowAsText(const chat::Command& command, ui::Backend& backend);
