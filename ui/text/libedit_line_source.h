// LineSource for an interactive terminal, with libedit's line editing and a history of the
// lines typed in this session. A line the program offers back (an edit's value, a refused
// line) is pre-filled for editing. Only one may exist at a time: libedit's state is global.
#pragma once

#include <optional>
#include <string>

#include "ui/text/line_source.h"

namespace ui::text {

class LibeditLineSource : public LineSource {
 public:
  // Takes the character type of the environment's locale (LC_CTYPE), which libedit needs
  // to edit multibyte UTF-8 text.
  LibeditLineSource();
  ~LibeditLineSource() override;
  LibeditLineSource(const LibeditLineSource&) = delete;
  LibeditLineSource& operator=(const LibeditLineSource&) = delete;

  std::optional<std::string> ReadLine(const std::string& prompt,
                                      const std::string& initial_text) override;
  bool PrefillsInitialText() const override { return true; }
  // Ctrl+D on an empty line ends that line only; the input is closed when standard input
  // reads nothing more (the terminal went away).
  bool Closed() const override;

  // From now on Ctrl+C (SIGINT) does not end the program: it ends the line being read as
  // Ctrl+D on an empty line does (ReadLine gives nullopt, the input stays open), and an
  // interrupt while no line is read ends the next read at once.
  void EndLineOnInterrupt();
};

}  // namespace ui::text
