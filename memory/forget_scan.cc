#include "memory/forget_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/record_format.h"
#include "core/text_file.h"

namespace {

constexpr unsigned char kCtrlZ = 0x1A;
// The separator "%+%" as stored.
constexpr unsigned char kStoredSeparator[3] = {'%' + 3, '+' + 3, '%' + 3};
// A stored byte that reads back as NUL: the plain text ends there.
constexpr unsigned char kStoredNul = 0x03;

bool IsAsciiLetter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The piece stands for zero-terminated text: its length up to the first NUL.
size_t TextLength(std::string_view text) {
  const void* nul = std::memchr(text.data(), 0, text.size());
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
}

bool IsSeparatorAt(const unsigned char* t, size_t n, size_t i) {
  return i + 2 < n && t[i] == kStoredSeparator[0] && t[i + 1] == kStoredSeparator[1] &&
         t[i + 2] == kStoredSeparator[2];
}

// The comment test of the forget scans, on the line as stored.
bool IsForgetComment(std::string_view text) {
  size_t n = TextLength(text);
  if (n == 0 || text[0] != '/') return false;
  return std::string_view(text.data(), n).find("//") != std::string_view::npos;
}

}  // namespace

// Decides whether the keyword part of a piece occurs in the entered text, ASCII letters
// folded. The keyword part is the plain text before its first "%+%", or all of it (with the
// line break, when the piece has one and no NUL cut it short) when there is no separator.
// An empty keyword part occurs in every non-empty text.
class ForgetScan::Matcher {
 public:
  explicit Matcher(std::string_view keyword) : m_keyword(keyword.substr(0, TextLength(keyword))) {
    bool plain[256] = {};
    for (char ch : m_keyword) {
      unsigned char c = static_cast<unsigned char>(ch);
      plain[c] = true;
      if (IsAsciiLetter(c)) plain[c ^ 0x20] = true;
    }
    for (int s = 0; s < 256; ++s) m_firstStored[s] = plain[static_cast<unsigned char>(s - 3)];
    m_breakFirst = plain[static_cast<unsigned char>('\n')];
  }

  bool Matches(std::string_view text, bool line_end) const {
    if (m_keyword.empty()) return false;
    const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
    const size_t n = TextLength(text);
    bool with_break = line_end && n == text.size();
    // Most pieces are turned down at their first byte, which never stands in the keyword.
    if (n > 0 && t[0] != kStoredNul && !IsSeparatorAt(t, n, 0) && !m_firstStored[t[0]]) {
      return false;
    }
    size_t kw = 0;
    for (; kw < n; ++kw) {
      if (t[kw] == kStoredNul || IsSeparatorAt(t, n, kw)) {
        with_break = false;
        break;
      }
    }
    const size_t len = kw + (with_break ? 1 : 0);
    if (len == 0) return true;
    if (len > m_keyword.size()) return false;
    if (kw == 0 && !m_breakFirst) return false;
    char needle[kForgetReadUnit + 2];
    for (size_t i = 0; i < kw; ++i) needle[i] = static_cast<char>(t[i] - 3);
    if (with_break) needle[kw] = '\n';
    needle[len] = '\0';
    return FindNoCase(m_keyword.c_str(), needle) != nullptr;
  }

 private:
  std::string m_keyword;
  bool m_firstStored[256];  // a stored byte that reads back as one of the keyword's bytes
  bool m_breakFirst;        // the keyword holds a line break
};

ForgetScan::ForgetScan(std::string_view keyword, size_t read_size)
    : m_matcher(std::make_unique<Matcher>(keyword)), m_readSize(std::max(read_size, size_t{1})) {}

ForgetScan::~ForgetScan() {
  if (m_fd >= 0) ::close(m_fd);
}

bool ForgetScan::Open(const std::string& path) {
  m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (m_fd < 0) return false;
  struct stat st;
  if (::fstat(m_fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    ::close(m_fd);
    m_fd = -1;
    return false;
  }
  // A small file fits whole; a large one is read in steps of m_readSize.
  size_t want = static_cast<size_t>(st.st_size) + 1;
  m_cap = std::min(want, m_readSize) + kForgetReadUnit + 2;
  m_buf = std::make_unique_for_overwrite<char[]>(m_cap);
  return true;
}

void ForgetScan::CopyTo(int fd) { m_out = fd; }

void ForgetScan::Write(size_t begin, size_t end) {
  if (m_out < 0 || m_writeFailed || begin >= end) return;
  const char* data = m_buf.get() + begin;
  size_t size = end - begin;
  while (size > 0) {
    ssize_t n = ::write(m_out, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      m_writeFailed = true;
      return;
    }
    data += n;
    size -= static_cast<size_t>(n);
  }
}

// One read into the free room of the buffer; the bytes it gave.
size_t ForgetScan::ReadMore() {
  for (;;) {
    ssize_t n = ::read(m_fd, m_buf.get() + m_rawEnd, std::min(m_readSize, m_cap - m_rawEnd));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) m_readFailed = true;
    return n < 0 ? 0 : static_cast<size_t>(n);
  }
}

// Makes enough bytes available for one piece and the byte after it, or all that remain.
bool ForgetScan::Fill() {
  const size_t need = kForgetReadUnit + 2;
  if (m_end - m_pos >= need || m_eof) return m_end > m_pos;
  // What lies before the current line is settled: it goes to the copy, and the line moves
  // to the front of the buffer.
  Write(m_copyFrom, m_lineStart);
  size_t keep = m_lineStart;
  std::memmove(m_buf.get(), m_buf.get() + keep, m_end - keep);
  m_pos -= keep;
  m_end -= keep;
  m_rawEnd = m_end;
  m_lineStart = m_copyFrom = 0;
  if (m_cap - m_end < need) {
    // A line longer than the buffer: it is kept whole until it ends.
    size_t cap = std::max(m_cap * 2, m_end + m_readSize + need);
    auto bigger = std::make_unique_for_overwrite<char[]>(cap);
    std::memcpy(bigger.get(), m_buf.get(), m_end);
    m_buf = std::move(bigger);
    m_cap = cap;
  }
  while (!m_eof && m_end - m_pos < need) {
    size_t n = ReadMore();
    if (n == 0) {
      m_eof = true;
      break;
    }
    const void* z = std::memchr(m_buf.get() + m_end, kCtrlZ, n);
    m_rawEnd += n;
    if (z) {
      m_end = static_cast<size_t>(static_cast<const char*>(z) - m_buf.get());
      m_eof = true;
    } else {
      m_end = m_rawEnd;
    }
  }
  return m_end > m_pos;
}

void ForgetScan::CompleteLine() {
  m_lineEnded = false;
  if (m_dropping) {
    Write(m_copyFrom, m_lineStart);
    m_copyFrom = m_pos;
    m_dropping = false;
  }
  m_lineStart = m_pos;
}

bool ForgetScan::Next(Piece* piece) {
  if (m_lineEnded) CompleteLine();
  if (m_fd < 0 || !Fill()) return false;
  const char* start = m_buf.get() + m_pos;
  const size_t avail = m_end - m_pos;
  const bool line_start = m_pos == m_lineStart;
  core::TextReader::Piece cut;
  m_pos += core::CutTextPiece(start, avail, kForgetReadUnit, &cut);
  piece->text = cut.text;
  piece->line_end = cut.line_end;
  if (line_start) m_lineComment = IsForgetComment(piece->text);
  piece->comment = m_lineComment || IsForgetComment(piece->text);
  piece->matches = !piece->comment && m_matcher->Matches(piece->text, piece->line_end);
  m_lineEnded = piece->line_end;
  return true;
}

void ForgetScan::DropLine() { m_dropping = true; }

bool ForgetScan::Finish() {
  Piece piece;
  while (Next(&piece)) {
  }
  if (m_fd < 0) return false;
  // The last line, if it had no line break.
  if (m_dropping) {
    Write(m_copyFrom, m_lineStart);
    m_copyFrom = m_end;
    m_dropping = false;
  }
  Write(m_copyFrom, m_end);
  m_copyFrom = m_end;
  // Everything from a Ctrl-Z on, as it stands.
  Write(m_end, m_rawEnd);
  if (m_out >= 0 && !m_readFailed) {
    while (!m_writeFailed) {
      m_rawEnd = 0;
      size_t n = ReadMore();
      if (n == 0) break;
      Write(0, n);
    }
  }
  return !m_readFailed && !m_writeFailed;
}

void ForgetScan::AppendPlain(const Piece& piece, std::string* out) {
  const size_t n = TextLength(piece.text);
  size_t i = 0;
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(piece.text[i]);
    if (c == kStoredNul) break;
    out->push_back(static_cast<char>(c - 3));
  }
  if (i == piece.text.size() && piece.line_end) out->push_back('\n');
}
