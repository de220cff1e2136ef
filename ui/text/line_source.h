// Where the text backend reads its lines: a terminal with line editing (LibeditLineSource,
// ui/text/libedit_line_source.h) or any stream (StreamLineSource: pipes and tests). Lines and
// prompts are bytes in the terminal's encoding (ui/text/terminal_text.h).
#pragma once

#include <iosfwd>
#include <optional>
#include <string>

namespace ui::text {

class LineSource {
 public:
  virtual ~LineSource() = default;

  // Shows `prompt` and reads one line, without its line end; nullopt at the end of input.
  // A source that can pre-fill the line puts `initial_text` there for the user to edit, and
  // returns the line as edited (empty when the user cleared it); a source that cannot returns
  // what was typed, and an empty line then means "keep `initial_text`" to its caller.
  virtual std::optional<std::string> ReadLine(const std::string& prompt,
                                              const std::string& initial_text) = 0;
  // Whether ReadLine pre-fills `initial_text`.
  virtual bool PrefillsInitialText() const { return false; }
  // True once the input can give no more lines (a stream at its end, a terminal gone). An
  // end of one line only (Ctrl+D on a terminal) leaves it false: later reads go on.
  virtual bool Closed() const = 0;
};

// Lines from `in`, the prompt written to `out` (both borrowed). With `echo` each line read is
// also written to `out` after its prompt, so that `out` reads like the terminal would have
// looked. A CR before the LF is dropped; a last line without LF still counts.
class StreamLineSource : public LineSource {
 public:
  StreamLineSource(std::istream& in, std::ostream& out, bool echo = false);
  std::optional<std::string> ReadLine(const std::string& prompt,
                                      const std::string& initial_text) override;
  bool Closed() const override { return m_closed; }

 private:
  std::istream& m_in;
  std::ostream& m_out;
  bool m_echo;
  bool m_closed = false;
};

}  // namespace ui::text
