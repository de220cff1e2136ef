// The chat in a terminal (rinu --tty): the persona's conversation through the text backend.
// It opens with the greeting and a line on how to reach the menu, then reads the user's
// lines at a prompt of the user's name and prints each reply after the persona's nickname.
// A line of "/" lists the chat window's menu by number and "/N" runs command N; the command
// words and the menu commands run as in the window, their dialogs and messages shown as
// lines. The end of a line (Ctrl+D, Ctrl+C) at the prompt says farewell and ends.
#pragma once

#include "core/persona.h"
#include "ui/text/text_backend.h"

// Runs the chat on `persona` through `backend` (both borrowed); returns the exit status.
int RunTtyChat(core::Persona& persona, ui::text::TextBackend& backend);
