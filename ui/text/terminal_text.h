// The text boundary of the terminal backend: the program holds Shift-JIS bytes (code page
// 932), the terminal reads and writes UTF-8, or code page 932 itself when asked. Everything
// the text backend prints or reads passes through here, and nothing outside ui/text/ needs it.
#pragma once

#include <string>
#include <string_view>

#include "core/text_codec.h"

namespace ui::text {

enum class TerminalEncoding {
  kUtf8,   // the terminal's usual encoding
  kCp932,  // bytes pass as they are (a pipe to a program that speaks Shift-JIS)
};

// For output: CR LF becomes LF, and in UTF-8 bytes that are not code page 932 show as
// U+FFFD, so a damaged text is shown rather than dropped.
std::string ToTerminal(std::string_view sjis, TerminalEncoding encoding);

// For input: the Shift-JIS bytes of a typed line. Fails at the first character code page
// 932 cannot hold (or at bytes that are not the terminal's encoding); error_char then holds
// it as typed.
core::CodecResult FromTerminal(std::string_view typed, TerminalEncoding encoding);

// The message, in the terminal's encoding, that a refused input gets: the character that
// cannot be used, or that the line is not in the terminal's encoding.
std::string RefusedInputMessage(const core::CodecResult& refused, TerminalEncoding encoding);

// `text` without the control characters a single-line field does not take (C0 controls but
// tab, and DEL); a typed line never holds a line break.
std::string StripControls(std::string_view text);

}  // namespace ui::text
