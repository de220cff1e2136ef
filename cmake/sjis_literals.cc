#include "cmake/sjis_literals.h"

#include <iconv.h>

#include <cstdio>

namespace sjis_literals {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsIdentChar(char c) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || IsDigit(c) || c == '_';
}
bool IsHexDigit(char c) { return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }
bool IsAscii(char c) { return static_cast<unsigned char>(c) < 0x80; }

// Length of the UTF-8 character at the start of `s` (its lead byte and continuation bytes),
// or 0 when it is not one.
size_t Utf8Length(std::string_view s) {
  unsigned char c = static_cast<unsigned char>(s[0]);
  size_t n = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 0;
  if (n == 0 || s.size() < n) return 0;
  for (size_t i = 1; i < n; ++i) {
    if ((static_cast<unsigned char>(s[i]) & 0xC0) != 0x80) return 0;
  }
  return n;
}

std::string CodePointToUtf8(unsigned long cp) {
  std::string out;
  if (cp < 0x80) {
    out.push_back(static_cast<char>(cp));
  } else if (cp < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else if (cp < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
  }
  return out;
}

// Octal, always three digits, so that no digit after it can join the escape.
void AppendOctal(std::string_view bytes, std::string* out) {
  for (char b : bytes) {
    char escape[5];
    std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(b));
    out->append(escape);
  }
}

class Converter {
 public:
  explicit Converter(std::string_view source) : m_src(source) {}

  Conversion Run() {
    while (m_pos < m_src.size() && m_result.error.empty()) Step();
    m_result.ok = m_result.error.empty();
    if (m_result.ok) {
      m_result.text = std::move(m_out);
      m_result.line = 0;
    }
    return std::move(m_result);
  }

 private:
  char At(size_t i) const { return i < m_src.size() ? m_src[i] : '\0'; }

  void Copy(size_t n) {
    for (size_t i = 0; i < n && m_pos < m_src.size(); ++i) {
      if (m_src[m_pos] == '\n') ++m_line;
      m_out.push_back(m_src[m_pos++]);
    }
  }

  void Fail(std::string error) {
    if (!m_result.error.empty()) return;
    m_result.error = std::move(error);
    m_result.line = m_line;
  }

  void Step() {
    char c = m_src[m_pos];
    char next = At(m_pos + 1);
    if (c == '/' && next == '/') return LineComment();
    if (c == '/' && next == '*') return BlockComment();
    if (IsDigit(c) || (c == '.' && IsDigit(next))) return Number();
    if (IsIdentChar(c)) return Word();
    if (c == '"' || c == '\'') return OrdinaryLiteral();
    Copy(1);
  }

  void LineComment() {
    while (m_pos < m_src.size()) {
      if (m_src[m_pos] == '\n' && (m_pos == 0 || m_src[m_pos - 1] != '\\')) return;
      Copy(1);
    }
  }

  void BlockComment() {
    Copy(2);
    while (m_pos < m_src.size() && !(m_src[m_pos] == '*' && At(m_pos + 1) == '/')) Copy(1);
    Copy(2);
  }

  // A preprocessing number, digit separators and exponent signs included, so that the
  // quote in 1'000 starts no literal.
  void Number() {
    Copy(1);
    while (m_pos < m_src.size()) {
      char c = m_src[m_pos];
      char next = At(m_pos + 1);
      if ((c == 'e' || c == 'E' || c == 'p' || c == 'P') && (next == '+' || next == '-')) {
        Copy(2);
      } else if (c == '\'' && IsIdentChar(next)) {
        Copy(2);
      } else if (IsIdentChar(c) || c == '.') {
        Copy(1);
      } else {
        return;
      }
    }
  }

  // An identifier, and the literal it prefixes if it is an encoding or raw prefix.
  void Word() {
    size_t end = m_pos;
    while (end < m_src.size() && IsIdentChar(m_src[end])) ++end;
    std::string_view word = m_src.substr(m_pos, end - m_pos);
    char quote = At(end);
    bool encoded = word == "u8" || word == "u" || word == "U" || word == "L";
    bool raw = word == "R" || word == "u8R" || word == "uR" || word == "UR" || word == "LR";
    Copy(word.size());
    if (quote == '"' && raw) return RawLiteral(/*ordinary=*/word == "R");
    if ((quote == '"' || quote == '\'') && encoded) return EncodedLiteral();
  }

  // A literal of another encoding: copied as it is, the compiler converts it by its prefix.
  void EncodedLiteral() {
    char quote = m_src[m_pos];
    Copy(1);
    while (m_pos < m_src.size() && m_src[m_pos] != quote && m_src[m_pos] != '\n') {
      Copy(m_src[m_pos] == '\\' ? 2 : 1);
    }
    if (At(m_pos) == quote) Copy(1);
  }

  void RawLiteral(bool ordinary) {
    size_t open = m_src.find('(', m_pos);
    if (open == std::string_view::npos) return Copy(1);
    std::string close = ")" + std::string(m_src.substr(m_pos + 1, open - m_pos - 1)) + "\"";
    size_t end = m_src.find(close, open);
    end = end == std::string_view::npos ? m_src.size() : end + close.size();
    while (m_pos < end) {
      if (ordinary && !IsAscii(m_src[m_pos])) {
        return Fail("non-ASCII character in a raw string literal; write it in an ordinary one");
      }
      Copy(1);
    }
  }

  // "..." or '...': the one place where text changes.
  void OrdinaryLiteral() {
    char quote = m_src[m_pos];
    Copy(1);
    while (m_pos < m_src.size()) {
      char c = m_src[m_pos];
      if (c == quote) return Copy(1);
      if (c == '\n') return;  // unterminated: the compiler says so
      if (c == '\\') {
        char next = At(m_pos + 1);
        if (next == 'u' || next == 'U') {
          if (!UniversalName(next == 'u' ? 4 : 8)) return;
          continue;
        }
        if (!IsAscii(next)) return Fail("backslash before a non-ASCII character");
        Copy(2);
        continue;
      }
      if (IsAscii(c)) {
        Copy(1);
        continue;
      }
      size_t n = Utf8Length(m_src.substr(m_pos));
      if (n == 0) return Fail("invalid UTF-8 in a literal");
      if (!Emit(m_src.substr(m_pos, n))) return;
      m_pos += n;
    }
  }

  // \uXXXX or \UXXXXXXXX at m_pos, given `digits` hex digits.
  bool UniversalName(size_t digits) {
    unsigned long cp = 0;
    for (size_t i = 0; i < digits; ++i) {
      char h = At(m_pos + 2 + i);
      if (!IsHexDigit(h)) {
        Fail("incomplete universal character name");
        return false;
      }
      cp = cp * 16 + static_cast<unsigned long>(IsDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
    }
    if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
      Fail("universal character name out of range");
      return false;
    }
    if (!Emit(CodePointToUtf8(cp))) return false;
    m_pos += 2 + digits;
    return true;
  }

  bool Emit(std::string_view utf8_char) {
    std::string bytes;
    if (!EncodeCp932(utf8_char, &bytes)) {
      Fail("\"" + std::string(utf8_char) + "\" has no code page 932 form");
      return false;
    }
    AppendOctal(bytes, &m_out);
    return true;
  }

  std::string_view m_src;
  size_t m_pos = 0;
  size_t m_line = 1;
  std::string m_out;
  Conversion m_result;
};

}  // namespace

bool EncodeCp932(std::string_view utf8_char, std::string* bytes) {
  static iconv_t cd = iconv_open("CP932", "UTF-8");
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  char buf[16];
  char* in = const_cast<char*>(utf8_char.data());
  size_t in_left = utf8_char.size();
  char* out = buf;
  size_t out_left = sizeof buf;
  if (iconv(cd, &in, &in_left, &out, &out_left) == static_cast<size_t>(-1) || in_left != 0) {
    return false;
  }
  bytes->assign(buf, sizeof buf - out_left);
  return true;
}

Conversion ConvertSource(std::string_view source) { return Converter(source).Run(); }

}  // namespace sjis_literals
