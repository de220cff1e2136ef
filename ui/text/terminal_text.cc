#include "ui/text/terminal_text.h"

namespace ui::text {
namespace {

// Whether `s` is one well-formed UTF-8 character.
bool IsUtf8Char(std::string_view s) {
  if (s.empty()) return false;
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
  if (n == 0 || s.size() != n) return false;
  for (size_t i = 1; i < n; ++i)
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return false;
  return true;
}

std::string WithoutCr(std::string_view sjis) {
  std::string out;
  out.reserve(sjis.size());
  for (size_t i = 0; i < sjis.size(); ++i) {
    if (sjis[i] == '\r' && i + 1 < sjis.size() && sjis[i + 1] == '\n') continue;
    out += sjis[i];
  }
  return out;
}

}  // namespace

std::string ToTerminal(std::string_view sjis, TerminalEncoding encoding) {
  std::string text = WithoutCr(sjis);
  if (encoding == TerminalEncoding::kCp932) return text;
  std::string out;
  out.reserve(text.size() * 3 / 2);
  std::string_view rest = text;
  while (!rest.empty()) {
    core::CodecResult r = core::SjisToUtf8(rest);
    if (r.ok) {
      out += r.text;
      break;
    }
    out += core::SjisToUtf8(rest.substr(0, r.error_offset)).text;
    out += "\xEF\xBF\xBD";  // U+FFFD
    size_t skip = r.error_char.empty() ? 1 : r.error_char.size();
    rest.remove_prefix(r.error_offset + skip);
  }
  return out;
}

core::CodecResult FromTerminal(std::string_view typed, TerminalEncoding encoding) {
  if (encoding == TerminalEncoding::kUtf8) return core::Utf8ToSjis(typed);
  // Shift-JIS as typed: it must be code page 932 that converts back to itself.
  core::CodecResult check = core::SjisToUtf8(typed);
  core::CodecResult r;
  r.ok = check.ok;
  r.error_offset = check.error_offset;
  r.error_char = check.error_char;
  r.reason = check.reason;
  if (r.ok) r.text = std::string(typed);
  return r;
}

std::string RefusedInputMessage(const core::CodecResult& refused, TerminalEncoding encoding) {
  std::string sjis;
  if (encoding == TerminalEncoding::kUtf8 && IsUtf8Char(refused.error_char)) {
    // The character is shown as typed, which only UTF-8 can: the rest is converted.
    return ToTerminal("「", encoding) + refused.error_char +
           ToTerminal("」はこのプログラムでは使えない文字です。別の文字にしてください。", encoding);
  }
  return ToTerminal(encoding == TerminalEncoding::kUtf8 ? "入力がUTF-8の文字として読めません。"
                                                        : "入力がShift-JISの文字として読めません。",
                    encoding);
}

std::string StripControls(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char ch : text) {
    unsigned char c = static_cast<unsigned char>(ch);
    if ((c < 0x20 && c != '\t') || c == 0x7F) continue;
    out += ch;
  }
  return out;
}

}  // namespace ui::text
