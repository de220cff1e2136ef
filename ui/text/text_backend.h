// TextBackend: the dialog framework in a terminal. Each dialog is shown as lines (caption,
// texts, read-only fields) and then asked for as prompts in template order: an edit shows
// its value and Enter keeps it, a radio group and a list are numbered choices (the list in
// pages), and the buttons are chosen by number or access key, Enter pressing the default
// button and Esc or the end of input (Ctrl+D) pressing Cancel. The dialog's own handlers run as in
// a window: OK validates, a failed check shows its message and the dialog is asked again. Lines are
// read from a LineSource and written to an ostream, both borrowed; they must outlive the backend.
// Text is converted at this boundary (ui/text/terminal_text.h).
#pragma once

#include <cstddef>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "ui/backend.h"
#include "ui/text/line_source.h"
#include "ui/text/terminal_text.h"

namespace ui::text {

struct TextOptions {
  TerminalEncoding encoding = TerminalEncoding::kUtf8;
  // After a message box, wait for Enter (a terminal); otherwise it is only printed (a pipe).
  bool pause_after_message = true;
  // Rows of a list shown at a time.
  size_t list_page_rows = 10;
  // The working folder, for ShellOpen of a file: a file system path as the system spells it.
  std::string working_folder;
  // ShellOpen runs xdg-open when DISPLAY or WAYLAND_DISPLAY is set; false never runs it.
  bool desktop_open = true;
};

class TextBackend : public ui::Backend {
 public:
  TextBackend(LineSource& in, std::ostream& out, TextOptions options = {});
  ~TextBackend() override;
  TextBackend(const TextBackend&) = delete;
  TextBackend& operator=(const TextBackend&) = delete;

  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog& dialog) override;
  // Prints the text; waits for Enter when the options say so.
  void MessageBox(const std::string& text) override;
  // Asks y/n until answered; the end of input or Esc answers Cancel.
  bool Confirm(const std::string& text) override;
  // With a desktop (see TextOptions::desktop_open) xdg-open opens it. Without one, or when
  // xdg-open cannot, the path or address is printed for the user to open: the terminal's
  // way of showing it, so the answer is true. False only for a file that is not there.
  bool ShellOpen(const std::string& target) override;

  // For front ends: prints a Shift-JIS text and a line end.
  void Print(const std::string& sjis);
  // Reads a line as Shift-JIS, with control characters removed. A line holding a character
  // code page 932 lacks is refused with a message and asked again, what was typed pre-filled
  // where the source can. `initial` is pre-filled (or kept by an empty line, see
  // LineSource). nullopt at the end of input.
  std::optional<std::string> ReadText(const std::string& prompt_sjis,
                                      const std::string& initial_sjis = "");
  // True once the input is closed (LineSource::Closed); every later read ends at once.
  bool at_end() const { return m_atEnd; }
  const TextOptions& options() const { return m_options; }

  // One typed answer: a text, the end of input, or Esc alone on the line.
  struct Answer {
    enum Kind { kText, kEnd, kEscape } kind = kEnd;
    std::string text;  // Shift-JIS, when kText
  };
  // ReadText's work, telling Esc apart; for the dialog windows.
  Answer Ask(const std::string& prompt_sjis, const std::string& initial_sjis);

 private:
  LineSource& m_in;
  std::ostream& m_out;
  TextOptions m_options;
  bool m_atEnd = false;
};

}  // namespace ui::text
