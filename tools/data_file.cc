#include "tools/data_file.h"

#include <algorithm>
#include <cstdio>

#include "core/persona_files.h"
#include "core/record_format.h"
#include "core/text_codec.h"

namespace rinu_data {
namespace {

// The lines of `text` split at LF, each without its LF and without a CR right before it.
// `final_break` tells whether the last line ended with a line break; an empty text has no
// lines at all.
std::vector<std::string_view> SplitLines(std::string_view text, bool* final_break) {
  std::vector<std::string_view> lines;
  *final_break = !text.empty() && text.back() == '\n';
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
      lines.push_back(text.substr(start));
      break;
    }
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    lines.push_back(line);
    start = end + 1;
  }
  return lines;
}

std::string Hex(unsigned char b) {
  char buf[8];
  std::snprintf(buf, sizeof buf, "0x%02X", b);
  return buf;
}

std::string AtByte(size_t offset) { return " (byte " + std::to_string(offset + 1) + ")"; }

// A comment is kept as it stands; it must still end where the program ends it.
std::string CommentProblem(std::string_view sjis) {
  for (size_t i = 0; i < sjis.size(); ++i) {
    unsigned char b = static_cast<unsigned char>(sjis[i]);
    if (b == 0x00) return "the comment holds a NUL byte" + AtByte(i);
    if (b == 0x1A)
      return "the comment holds the byte 0x1A, which ends the file when read" + AtByte(i);
  }
  return "";
}

// Why the plain line `plain` would not be stored so that the program reads it back as itself,
// or "". `decoding` words the reason after the bytes found in the file.
std::string PlainProblem(std::string_view plain, FileKind kind, bool decoding) {
  std::string_view body = plain;
  if (kind == FileKind::kLines) {
    // boke.dat and no.dat know no comments: a line stored as "//..." is a line like any other.
    body.remove_prefix(std::min(body.find_first_not_of(','), body.size()));
  }
  StoreProblem problem = CheckStorable(body);
  // The length is reported in words of its own (LengthWarning).
  if (problem == StoreProblem::kTooLong) problem = StoreProblem::kNone;
  if (problem == StoreProblem::kReadsAsComment) {
    return "the record starts with \",,\", which is stored as \"//\" and would be skipped as a "
           "comment";
  }
  if (problem != StoreProblem::kNone) {
    for (size_t i = 0; i < plain.size(); ++i) {
      unsigned char b = static_cast<unsigned char>(plain[i]);
      if (decoding) {
        unsigned char stored = static_cast<unsigned char>(b + 3);
        if (b == 0x17) return "the byte 0x1A ends the file when read" + AtByte(i);
        if (b == 0xFD) return "a NUL byte ends the line when read" + AtByte(i);
        if (b == 0x00) return "the byte " + Hex(stored) + " reads back as a NUL" + AtByte(i);
        if (b == 0x07 || b == 0x0A)
          return "the byte " + Hex(stored) + " breaks the line" + AtByte(i);
      } else {
        if (b == 0x07) return "the byte 0x07 would be stored as a line break" + AtByte(i);
        if (b == 0x17)
          return "the byte 0x17 would be stored as 0x1A, which ends the file" + AtByte(i);
        if (b == 0xFD) return "the byte 0xFD would be stored as a NUL" + AtByte(i);
        if (b == 0x00) return "a NUL byte" + AtByte(i);
        if (b == 0x0A) return "a line break inside the line" + AtByte(i);
      }
    }
    return "the line cannot be stored";
  }
  if (decoding) {
    // Not harmful to the program, but the text form has no place for it.
    size_t cr = plain.find('\r');
    if (cr != std::string_view::npos) return "the byte 0x10 reads back as a CR" + AtByte(cr);
  }
  return "";
}

std::string LengthWarning(size_t bytes) {
  return std::to_string(bytes) + " bytes long; the program reads at most " +
         std::to_string(kMaxLineBytes) + " bytes of a line and takes the rest as more lines";
}

Conversion Refuse(Conversion c, size_t line, std::string reason) {
  c.ok = false;
  c.output.clear();
  c.problem = {line, std::move(reason)};
  return c;
}

bool StartsWithSlashes(std::string_view s) { return s.size() >= 2 && s[0] == '/' && s[1] == '/'; }

}  // namespace

FileKind KindForPath(std::string_view path) {
  size_t slash = path.find_last_of('/');
  std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
  for (char& c : name) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return name == core::kBokeFile || name == core::kNoFile ? FileKind::kLines : FileKind::kMemory;
}

Conversion DecodeStored(std::string_view stored, FileKind kind) {
  Conversion c;
  bool final_break = false;
  std::vector<std::string_view> lines = SplitLines(stored, &final_break);
  c.output.reserve(stored.size() * 3 / 2);
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view raw = lines[i];
    size_t n = i + 1;
    size_t cr = raw.find('\r');
    if (cr != std::string_view::npos)
      return Refuse(c, n, "a CR that does not end the line" + AtByte(cr));
    if (raw.size() > kMaxLineBytes) c.warnings.push_back({n, LengthWarning(raw.size())});
    std::string problem;
    std::string_view sjis;
    std::string plain;
    if (kind == FileKind::kMemory && IsCommentLine(raw)) {
      problem = CommentProblem(raw);
      sjis = raw;
    } else {
      plain.assign(raw);
      for (char& b : plain) b = static_cast<char>(static_cast<unsigned char>(b) - 3);
      problem = PlainProblem(plain, kind, true);
      if (problem.empty() && kind == FileKind::kMemory && StartsWithSlashes(plain)) {
        problem = "the record starts with \"//\", which the text form cannot tell from a comment";
      }
      sjis = plain;
    }
    if (!problem.empty()) return Refuse(c, n, problem);
    core::CodecResult text = core::SjisToUtf8(sjis);
    if (!text.ok) return Refuse(c, n, text.reason + AtByte(text.error_offset));
    c.output += text.text;
    if (n < lines.size() || final_break) c.output += '\n';
  }
  c.ok = true;
  return c;
}

Conversion EncodePlain(std::string_view text, FileKind kind) {
  Conversion c;
  bool final_break = false;
  std::vector<std::string_view> lines = SplitLines(text, &final_break);
  c.output.reserve(text.size() + 2 * lines.size());
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string_view raw = lines[i];
    size_t n = i + 1;
    size_t cr = raw.find('\r');
    if (cr != std::string_view::npos) return Refuse(c, n, "a CR inside the line" + AtByte(cr));
    core::CodecResult sjis = core::Utf8ToSjisExact(raw);
    if (!sjis.ok) return Refuse(c, n, sjis.reason + AtByte(sjis.error_offset));
    bool comment = kind == FileKind::kMemory && StartsWithSlashes(sjis.text);
    std::string problem =
        comment ? CommentProblem(sjis.text) : PlainProblem(sjis.text, kind, false);
    if (!problem.empty()) return Refuse(c, n, problem);
    if (sjis.text.size() > kMaxLineBytes) return Refuse(c, n, LengthWarning(sjis.text.size()));
    std::string line = comment ? sjis.text + "\r\n" : StoredLine(sjis.text);
    if (n == lines.size() && !final_break) line.resize(line.size() - 2);
    c.output += line;
  }
  c.ok = true;
  return c;
}

std::string FormatProblem(std::string_view name, const LineProblem& problem) {
  return std::string(name) + ":" + std::to_string(problem.line) + ": " + problem.reason;
}

bool ParseArguments(const std::vector<std::string>& args, Options* options, std::string* error) {
  *options = Options();
  bool lines = false;
  bool memory = false;
  bool output_given = false;
  std::vector<std::string> positional;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--help" || a == "-h") {
      options->command = Options::Command::kHelp;
      return true;
    } else if (a == "--lines") {
      lines = true;
    } else if (a == "--memory") {
      memory = true;
    } else if (a == "-o") {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        *error = "-o needs a file name";
        return false;
      }
      if (output_given) {
        *error = "-o given twice";
        return false;
      }
      output_given = true;
      options->output = args[++i];
    } else if (a.size() > 1 && a[0] == '-') {
      *error = "unknown option " + a;
      return false;
    } else {
      positional.push_back(a);
    }
  }
  if (lines && memory) {
    *error = "--lines and --memory exclude each other";
    return false;
  }
  if (positional.empty()) {
    *error = "no command given";
    return false;
  }
  const std::string& command = positional[0];
  if (command == "decode") {
    options->command = Options::Command::kDecode;
    if (positional.size() != 2) {
      *error = "decode takes exactly one file";
      return false;
    }
    if (output_given) {
      *error = "decode writes to standard output only";
      return false;
    }
    options->input = positional[1];
  } else if (command == "encode") {
    options->command = Options::Command::kEncode;
    if (positional.size() != 1) {
      *error = "encode reads standard input and takes no file; use -o FILE to write one";
      return false;
    }
  } else {
    *error = "unknown command " + command;
    return false;
  }
  options->kind_given = lines || memory;
  if (lines) {
    options->kind = FileKind::kLines;
  } else if (memory) {
    options->kind = FileKind::kMemory;
  } else if (options->command == Options::Command::kDecode) {
    options->kind = KindForPath(options->input);
  } else {
    options->kind = options->output.empty() ? FileKind::kMemory : KindForPath(options->output);
  }
  return true;
}

std::string_view UsageText() {
  return "usage: rinu-data decode [--lines|--memory] FILE\n"
         "       rinu-data encode [--lines|--memory] [-o FILE] < TEXT\n"
         "       rinu-data --help\n"
         "\n"
         "Converts the data files of Rinu++ (memory.dat, boke.dat, no.dat) between their\n"
         "stored form (Shift-JIS, every byte of a line shifted by +3, CR LF line ends) and\n"
         "plain UTF-8 text with one line per line.\n"
         "\n"
         "  decode FILE   prints FILE as UTF-8 text on standard output\n"
         "  encode        reads UTF-8 text on standard input and writes the stored form to\n"
         "                standard output, or with -o FILE replaces FILE whole\n"
         "  --memory      memory.dat rules: a line starting with \"//\" is a comment and is\n"
         "                kept unshifted (default for any file but boke.dat and no.dat)\n"
         "  --lines       boke.dat and no.dat rules: every line is shifted (default for those)\n"
         "\n"
         "The text ends with a line break exactly when the file does, so a file decodes and\n"
         "re-encodes to the same bytes. A line the program would not read back as written\n"
         "(bytes outside Shift-JIS, a character it lacks, a CR inside a line, a line longer\n"
         "than 347 bytes) is refused as FILE:LINE: reason, and nothing is written.\n"
         "\n"
         "Exit status: 0 done, 1 input refused, 2 wrong command line or a file error.\n";
}

}  // namespace rinu_data
