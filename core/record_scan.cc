#include "core/record_scan.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/text_file.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace core {
namespace {

constexpr unsigned char kCtrlZ = 0x1A;
// The separator "%+%" as stored.
constexpr unsigned char kStoredSeparator[3] = {'%' + 3, '+' + 3, '%' + 3};
// A stored byte that reads back as NUL: the plain text ends there.
constexpr unsigned char kStoredNul = 0x03;
// A stored byte that reads back as the line break.
constexpr unsigned char kStoredLineBreak = '\n' + 3;

// The piece stands for zero-terminated text: its length up to the first NUL.
size_t TextLength(std::string_view text) {
  const void* nul = std::memchr(text.data(), 0, text.size());
  return nul ? static_cast<size_t>(static_cast<const char*>(nul) - text.data()) : text.size();
}

bool IsSeparatorAt(const unsigned char* t, size_t n, size_t i) {
  return i + 2 < n && t[i] == kStoredSeparator[0] && t[i + 1] == kStoredSeparator[1] &&
         t[i + 2] == kStoredSeparator[2];
}

unsigned char Fold(unsigned char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<unsigned char>(c + 0x20) : c;
}

// Bit i is set when p[i] is LF, for the 64 bytes at p: four wide compares, no loop per byte.
uint64_t LineBreakBits(const char* p) {
#if defined(__SSE2__)
  const __m128i lf = _mm_set1_epi8('\n');
  auto bits16 = [&](int i) -> uint64_t {
    __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    return static_cast<uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(bytes, lf)));
  };
  return bits16(0) | bits16(1) << 16 | bits16(2) << 32 | bits16(3) << 48;
#else
  uint64_t bits = 0;
  for (int i = 0; i < 64; ++i) bits |= static_cast<uint64_t>(p[i] == '\n') << i;
  return bits;
#endif
}

}  // namespace

// Decides whether the keyword of a piece occurs in the text, and turns down most lines
// after a byte or two.
class RecordScan::Matcher {
 public:
  explicit Matcher(std::string_view text) {
    text = text.substr(0, TextLength(text));
    m_text.resize(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
      m_text[i] = static_cast<char>(Fold(static_cast<unsigned char>(text[i])));
    }
    for (int s = 0; s < 256; ++s) {
      m_readBack[s] = ReadBackFolded(static_cast<unsigned char>(s));
      m_stop[s] = s == 0 || s == kStoredNul || s == kStoredSeparator[0];
    }
    // Every pair of stored bytes that reads back as two bytes side by side in the text, and
    // every pair whose second byte may end the keyword.
    for (size_t i = 0; i + 1 < m_text.size(); ++i) {
      for (unsigned char a : StoredForms(static_cast<unsigned char>(m_text[i]))) {
        for (unsigned char b : StoredForms(static_cast<unsigned char>(m_text[i + 1]))) {
          SetPair(a, b);
        }
      }
    }
    for (int a = 0; a < 256; ++a) {
      for (unsigned b : {0x00u, unsigned{kStoredNul}, unsigned{kStoredSeparator[0]}}) {
        SetPair(a, b);
        SetPair(b, a);
      }
    }
  }

  // The exact rule, for any piece: `t` is the piece without its line break.
  bool KeywordOccurs(const unsigned char* t, size_t n, bool line_end) {
    if (m_text.empty()) return false;
    const Keyword keyword =
        KeywordOf(std::string_view(reinterpret_cast<const char*>(t), n), line_end);
    const size_t kw = keyword.stored_size;
    const bool with_break = keyword.with_break;
    const size_t len = keyword.size();
    if (len == 0) return true;
    if (len > m_text.size()) return false;
    m_needle.resize(len);
    for (size_t i = 0; i < kw; ++i) m_needle[i] = static_cast<char>(m_readBack[t[i]]);
    if (with_break) m_needle[kw] = '\n';
    return m_text.find(m_needle) != std::string::npos;
  }

  // True when the line [t, t + n), one whole piece followed by its line break, cannot match:
  // two bytes side by side in its keyword never stand so in the text, or the keyword is
  // longer than the text. False says nothing: the exact rule decides.
  bool CannotMatchLine(const unsigned char* t, size_t n) const {
    if (n == 0 || m_stop[t[0]]) return false;
    const size_t room = m_text.size();
    for (size_t i = 0;; ++i) {
      // t[0..i] belong to the keyword.
      if (i >= room) return true;
      if (i + 1 == n) return !HasPair(t[i], kStoredLineBreak);
      if (!HasPair(t[i], t[i + 1])) return true;
      if (m_stop[t[i + 1]]) return false;
    }
  }

  // False when the stored bytes a, b side by side in a keyword read back as two bytes that
  // never stand so in the text: a keyword holding them cannot occur. True also when either
  // may end the keyword, so a miss is always safe to turn down.
  bool HasPair(unsigned a, unsigned b) const {
    unsigned pair = a | b << 8;
    return (m_pairs[pair >> 6] >> (pair & 63)) & 1;
  }

 private:
  // The stored bytes that read back as `folded`.
  struct Forms {
    unsigned char bytes[2];
    int count;
    const unsigned char* begin() const { return bytes; }
    const unsigned char* end() const { return bytes + count; }
  };
  static Forms StoredForms(unsigned char folded) {
    Forms forms{{static_cast<unsigned char>(folded + 3), 0}, 1};
    if (folded >= 'a' && folded <= 'z') forms.bytes[forms.count++] = folded - 0x20 + 3;
    return forms;
  }
  void SetPair(unsigned a, unsigned b) {
    unsigned pair = a | b << 8;
    m_pairs[pair >> 6] |= uint64_t{1} << (pair & 63);
  }

  std::string m_text;             // the text, ASCII letters folded to lower case
  std::string m_needle;           // the keyword of the piece being matched, read back and folded
  unsigned char m_readBack[256];  // a stored byte read back and folded
  bool m_stop[256];               // stored bytes that may end the keyword
  uint64_t m_pairs[65536 / 64] = {};
};

RecordScan::RecordScan(std::string_view text, const ScanRules& rules, size_t read_size)
    : m_rules(rules),
      m_matcher(std::make_unique<Matcher>(text)),
      m_readSize(std::max(read_size, size_t{1})) {}

RecordScan::~RecordScan() {
  if (m_fd >= 0) m_folder->Close(m_fd);
}

bool RecordScan::Open(Folder& folder, const std::string& name) {
  m_folder = &folder;
  // Non-blocking, so a named pipe in the file's place cannot hang the program; it is then
  // refused below like a folder.
  m_fd = folder.Open(name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (m_fd < 0) return false;
  struct stat st;
  if (::fstat(m_fd, &st) != 0 || !S_ISREG(st.st_mode) ||
      ::fcntl(m_fd, F_SETFL, ::fcntl(m_fd, F_GETFL) & ~O_NONBLOCK) != 0) {
    folder.Close(m_fd);
    m_fd = -1;
    return false;
  }
  // A small file fits whole; a large one is read in steps of m_readSize.
  size_t want = static_cast<size_t>(st.st_size) + 1;
  m_cap = std::min(want, m_readSize) + m_rules.read_unit + 2;
  m_buf = std::make_unique_for_overwrite<char[]>(m_cap);
  return true;
}

void RecordScan::CopyTo(int fd) { m_out = fd; }

void RecordScan::Write(size_t begin, size_t end) {
  if (m_out < 0 || m_writeFailed || begin >= end) return;
  if (!WriteAll(*m_folder, m_out, std::string_view(m_buf.get() + begin, end - begin)))
    m_writeFailed = true;
}

// One read into the free room of the buffer; the bytes it gave.
size_t RecordScan::ReadMore() {
  for (;;) {
    ssize_t n =
        m_folder->Read(m_fd, m_buf.get() + m_rawEnd, std::min(m_readSize, m_cap - m_rawEnd));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) m_readFailed = true;
    return n < 0 ? 0 : static_cast<size_t>(n);
  }
}

// Makes enough bytes available for one piece and the byte after it, or all that remain.
bool RecordScan::Fill() {
  const size_t need = m_rules.read_unit + 2;
  if (m_end - m_pos >= need || m_eof) return m_end > m_pos;
  // What lies before the current line is settled: it goes to the copy, and the line moves
  // to the front of the buffer. Without a copy only the unread bytes move.
  size_t keep = m_pos;
  if (m_out >= 0) {
    Write(m_copyFrom, m_lineStart);
    keep = m_lineStart;
  }
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

void RecordScan::CompleteLine() {
  m_lineEnded = false;
  m_atLineStart = true;
  if (m_dropping) {
    Write(m_copyFrom, m_lineStart);
    m_copyFrom = m_pos;
    m_dropping = false;
  }
  m_lineStart = m_pos;
}

bool RecordScan::Next(Piece* piece) {
  if (m_lineEnded) CompleteLine();
  if (m_fd < 0 || !Fill()) return false;
  TextReader::Piece cut;
  m_pos += CutTextPiece(m_buf.get() + m_pos, m_end - m_pos, m_rules.read_unit, &cut);
  const std::string_view text = cut.text;
  piece->text = text;
  piece->line_end = cut.line_end;
  if (m_rules.comment == CommentRule::kPieceStartsWithSlashes) {
    piece->comment = text.size() >= 2 && text[0] == '/' && text[1] == '/';
  } else {
    const size_t n = TextLength(text);
    bool own = n > 0 && text[0] == '/' && text.substr(0, n).find("//") != std::string_view::npos;
    if (m_atLineStart) m_lineComment = own;
    piece->comment = m_lineComment || own;
  }
  const bool passed_over = !m_rules.empty_piece_is_record && (text.empty() || text[0] == '\0');
  piece->matches = !piece->comment && !passed_over &&
                   m_matcher->KeywordOccurs(reinterpret_cast<const unsigned char*>(text.data()),
                                            text.size(), cut.line_end);
  m_lineEnded = cut.line_end;
  m_atLineStart = false;
  return true;
}

// The fast path of the search, which is most of a turn on a large memory.dat. The buffer is
// taken 64 bytes at a time: a few wide compares give a bit for each line break in them
// (LineBreakBits), so each line end is a count of trailing zeros, with no call and no loop
// per byte. Most lines are one piece and are turned down by one table lookup of their first
// two bytes (HasPair), most others by CannotMatchLine; none is cut into pieces or copied.
// A line that is not turned down, a line longer than a piece and the last line of the
// buffer are left to Next, which judges every piece by the exact rules. A line skipped here
// matches under no comment rule and no line after it depends on it, so the matches are the
// ones Next alone would give.
void RecordScan::SkipLinesThatCannotMatch() {
  if (!m_atLineStart || m_fd < 0) return;
  const Matcher& matcher = *m_matcher;
  const char* buf = m_buf.get();
  const unsigned char* ubuf = reinterpret_cast<const unsigned char*>(buf);
  const size_t unit = m_rules.read_unit;
  const size_t end = m_end;
  // The start of the first line that is not turned down.
  auto skip = [&](size_t pos) {
    for (size_t block = pos; block + 64 <= end; block += 64) {
      for (uint64_t bits = LineBreakBits(buf + block); bits != 0; bits &= bits - 1) {
        const size_t lf = block + static_cast<size_t>(std::countr_zero(bits));
        // Most lines: three bytes or more before the LF (two of text before a CR LF),
        // shorter than a piece.
        if (lf - pos >= 3 && lf - pos < unit && !matcher.HasPair(ubuf[pos], ubuf[pos + 1])) {
          pos = lf + 1;
          continue;
        }
        size_t len = lf - pos;
        if (len > 0 && buf[lf - 1] == '\r') --len;
        if (len + 1 > unit || !matcher.CannotMatchLine(ubuf + pos, len)) return pos;
        pos = lf + 1;
      }
    }
    return pos;
  };
  m_pos = skip(m_pos);
  if (m_out >= 0) m_lineStart = m_pos;
}

bool RecordScan::NextMatch(Piece* piece) {
  for (;;) {
    if (m_lineEnded) CompleteLine();
    SkipLinesThatCannotMatch();
    if (!Next(piece)) return false;
    if (piece->matches) return true;
  }
}

void RecordScan::DropLine() { m_dropping = true; }

bool RecordScan::Finish() {
  Piece piece;
  while (NextMatch(&piece)) {
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

RecordScan::Keyword RecordScan::KeywordOf(std::string_view text, bool line_end) {
  const unsigned char* t = reinterpret_cast<const unsigned char*>(text.data());
  const size_t n = text.size();
  size_t kw = 0;
  while (kw < n && t[kw] != 0 && t[kw] != kStoredNul &&
         !(t[kw] == kStoredSeparator[0] && IsSeparatorAt(t, n, kw))) {
    ++kw;
  }
  // Without a separator, a whole piece keeps its line break in the keyword.
  return Keyword{kw, kw == n && line_end};
}

void RecordScan::AppendPlain(const Piece& piece, std::string* out) {
  const size_t n = TextLength(piece.text);
  size_t i = 0;
  for (; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(piece.text[i]);
    if (c == kStoredNul) break;
    out->push_back(static_cast<char>(c - 3));
  }
  if (i == piece.text.size() && piece.line_end) out->push_back('\n');
}

}  // namespace core
