// The chat as a filter (rinu --pipe): each line read is said to the persona and its reply is
// written as exactly one line, flushed at once, so another program can hold a conversation
// through two pipes. Nothing else goes to the output: no prompt, no greeting (the log still
// gets its start entry), no colour. A reply that holds line breaks has its lines joined by
// one space. A command word gets an empty line. Nothing can be asked here: every dialog
// and question is answered Cancel, and messages and such notices go to the error stream as
// one UTF-8 line each. A line that cannot be converted gets a notice and an empty line and
// is neither answered nor stored. The end of input says farewell. A folder that is not a
// persona yet (a data file or set.ini missing) is never written to: the pipe ends at once
// with status 1, naming the command that sets it up.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>

#include "core/persona.h"
#include "ui/backend.h"
#include "ui/text/terminal_text.h"

// The backend of the pipe: dialogs are cancelled as soon as they open, message boxes are
// lines on `err` (borrowed), nothing can be opened (a bare file name is named as a file of
// `folder`, when given).
class PipeBackend : public ui::Backend {
 public:
  explicit PipeBackend(std::ostream& err, core::Folder* folder = nullptr)
      : m_err(err), m_folder(folder) {}

  // A window whose RunModal returns IDCANCEL at once, the dialog's handlers never run.
  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog& dialog) override;
  void MessageBox(const std::string& text) override;
  bool Confirm(const std::string& text) override;
  bool ShellOpen(const std::string& target) override;

  // Writes "rinu: " and a Shift-JIS text, its line breaks joined, as one line on `err`.
  void Notice(const std::string& sjis);

 private:
  std::ostream& m_err;
  core::Folder* m_folder;
};

// The line that tells how to make `folder` a persona, for the pipe's refusals (UTF-8, with its
// line break).
std::string PipeSetupHint(const std::string& folder);

// Runs the chat on `persona` from `in` to `out`, both in `encoding`; returns the exit status.
int RunPipeChat(core::Persona& persona, std::istream& in, std::ostream& out, std::ostream& err,
                ui::text::TerminalEncoding encoding);
