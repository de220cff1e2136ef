// Conversion between the stored form of the data files (memory.dat, boke.dat, no.dat:
// Shift-JIS, every byte of a line shifted by +3, CR LF) and plain UTF-8 text, one line per
// line, as the rinu-data tool reads and writes it. Both directions refuse anything that would
// not come back as it was, so a file written here decodes and re-encodes to the same bytes.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace rinu_data {

// How the lines of a file are stored.
enum class FileKind {
  kLines,   // boke.dat, no.dat: every line shifted
  kMemory,  // memory.dat: a line that starts with "//" is a comment, kept unshifted
};

// kLines for a file named boke.dat or no.dat (letter case ignored, as file names are on
// Windows), kMemory for any other.
FileKind KindForPath(std::string_view path);

// The longest line the program reads whole, in bytes before the line break; a longer line
// is read as two or more lines.
constexpr size_t kMaxLineBytes = 347;

// A problem found in one line; `line` counts from 1.
struct LineProblem {
  size_t line = 0;
  std::string reason;
};

// The outcome of a conversion. When `ok` is false, `output` is empty and `problem` tells the
// first line that was refused. `warnings` are kept either way.
struct Conversion {
  bool ok = false;
  std::string output;
  LineProblem problem;
  std::vector<LineProblem> warnings;
};

// Stored bytes to UTF-8 text with LF line ends. Accepts CR LF or LF. The text ends with a
// line break exactly when the file does. A line longer than kMaxLineBytes is decoded with a
// warning. Refuses bytes that are not code page 932 with one form of their own, a CR that
// does not end a line, and lines the program would read as something else.
Conversion DecodeStored(std::string_view stored, FileKind kind);

// UTF-8 text (LF or CR LF line ends) to the stored form with CR LF. The file ends with a line
// break exactly when the text does. Refuses invalid UTF-8, characters code page 932 lacks or
// holds only as a look-alike, lines longer than kMaxLineBytes and lines the program would
// read as something else.
Conversion EncodePlain(std::string_view text, FileKind kind);

// "NAME:LINE: reason".
std::string FormatProblem(std::string_view name, const LineProblem& problem);

// The command line of rinu-data.
struct Options {
  enum class Command { kNone, kHelp, kDecode, kEncode };
  Command command = Command::kNone;
  bool kind_given = false;
  FileKind kind = FileKind::kMemory;
  std::string input;   // decode: the file to read
  std::string output;  // encode: the file to write; empty for standard output
};

// Fills `options` from the arguments after the program name; false with `error` set for a
// command line that is not understood. The file kind, when not given, follows the file name.
bool ParseArguments(const std::vector<std::string>& args, Options* options, std::string* error);

// The text of rinu-data --help.
std::string_view UsageText();

}  // namespace rinu_data
