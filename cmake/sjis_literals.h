// The build step that gives the program its Shift-JIS texts with any compiler: a C++ source
// written in UTF-8 is copied with every non-ASCII character (and every \u or \U escape) of
// its ordinary narrow string and character literals rewritten as octal escapes of its code
// page 932 bytes. Comments, u8/u/U/L literals and everything else stay as they are.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sjis_literals {

struct Conversion {
  bool ok = false;
  std::string text;   // the converted source, same lines as the input
  size_t line = 0;    // when not ok: the line (from 1) of the problem
  std::string error;  // when not ok: what is wrong there
};

// Refuses a character code page 932 lacks, invalid UTF-8 in a literal, a non-ASCII character
// in an ordinary raw string literal (which can hold no escapes) and a backslash right before
// a non-ASCII character.
Conversion ConvertSource(std::string_view source);

// The code page 932 bytes of one UTF-8 character, as the system's iconv gives them (the
// conversion GCC's -fexec-charset=CP932 used); false when it has none.
bool EncodeCp932(std::string_view utf8_char, std::string* bytes);

}  // namespace sjis_literals
