#include "memory/memory_book.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include <algorithm>
#include <array>
#include <cstring>

#include "core/record_format.h"
#include "core/text_file.h"
#include "memory/record_check.h"

namespace {

constexpr const char* kSeparatorInKeyword =
    "この言葉は覚えられません。\nキーワードに\"%+%\"は使えません。";
constexpr const char* kCannotRead = "memory.datを読み込めませんでした。";
constexpr const char* kDoneNotShown =
    "変更はmemory.datに書き込みましたが、memory."
    "datを読み直せないため一覧を新しくできませんでした。";
constexpr const char* kChangedOnDisk =
    "memory.datはメモリー帳を開いた後にほかで書き換えられています。\n"
    "何も変えずに一覧を読み直しました。もう一度操作してください。";
constexpr const char* kHistoryCleared =
    "\n読み直したため、元に戻す・やり直すための変更の記録は消去しました。";
constexpr const char* kWriteFailed =
    "書き込みに失敗しました。\nmemory.datは変更前のままです。"
    "ディスクの空きや読み込み専用になっていないかを確かめてください。";
constexpr const char* kNothingToUndo = "元に戻せる変更はありません。";
constexpr const char* kNothingToRedo = "やり直せる変更はありません。";
constexpr const char* kNothingSelected = "記録が選ばれていません。";
constexpr char kCtrlZ = 0x1A;

constexpr bool IsLead(unsigned char c) {
  return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// For a byte as stored: the byte it is once the line is read back, with an ASCII capital
// folded to its small letter; and whether it starts a two-byte character.
constexpr std::array<unsigned char, 256> MakeReadFold() {
  std::array<unsigned char, 256> fold{};
  for (int b = 0; b < 256; ++b) fold[b] = FoldNoCase(static_cast<unsigned char>(b - 3));
  return fold;
}
constexpr std::array<unsigned char, 256> kReadFold = MakeReadFold();
constexpr std::array<bool, 256> MakeStoredLead() {
  std::array<bool, 256> lead{};
  for (int b = 0; b < 256; ++b) lead[b] = IsLead(static_cast<unsigned char>(b - 3));
  return lead;
}
constexpr std::array<bool, 256> kStoredLead = MakeStoredLead();

// Whether `pattern` (a search text as folded by Fold) matches the stored bytes at `p`: a
// single-byte character compares folded, a two-byte character byte for byte.
bool MatchesAt(const unsigned char* p, std::string_view pattern, std::string_view trail) {
  for (size_t k = 0; k < pattern.size(); ++k) {
    const unsigned char b = trail[k] ? static_cast<unsigned char>(p[k] - 3) : kReadFold[p[k]];
    if (b != static_cast<unsigned char>(pattern[k])) return false;
  }
  return true;
}

// Whether the stored bytes [p, p + n), one field of a record, hold `pattern` at the start of
// one of their characters.
bool HoldsFolded(const unsigned char* p, size_t n, std::string_view pattern,
                 std::string_view trail) {
  const size_t m = pattern.size();
  for (size_t i = 0; i + m <= n; i += kStoredLead[p[i]] ? 2 : 1) {
    if (MatchesAt(p + i, pattern, trail)) return true;
  }
  return false;
}

// Collects the new file in large writes; small pieces (one line each) go through a buffer.
class Writer {
 public:
  Writer(core::Folder& folder, int fd) : m_folder(folder), m_fd(fd) { m_buffer.reserve(kBuffer); }
  void Put(std::string_view bytes) {
    if (!m_ok || bytes.empty()) return;
    if (m_buffer.size() + bytes.size() > kBuffer) Flush();
    if (bytes.size() >= kBuffer) {
      m_ok = core::WriteAll(m_folder, m_fd, bytes);
    } else {
      m_buffer.append(bytes);
    }
  }
  bool Finish() {
    Flush();
    return m_ok;
  }

 private:
  static constexpr size_t kBuffer = 1 << 20;
  void Flush() {
    if (m_ok && !m_buffer.empty()) m_ok = core::WriteAll(m_folder, m_fd, m_buffer);
    m_buffer.clear();
  }
  core::Folder& m_folder;
  int m_fd;
  bool m_ok = true;
  std::string m_buffer;
};

}  // namespace

std::string_view MemoryBook::Change::Before(size_t i) const {
  size_t begin = i == 0 ? 0 : before_end[i - 1];
  return std::string_view(before).substr(begin, before_end[i] - begin);
}

MemoryBook::MemoryBook(core::Folder& folder, std::string name)
    : m_folder(folder), m_path(std::move(name)) {}

MemoryBook::~MemoryBook() = default;

MemoryBook::Outcome MemoryBook::Open() {
  m_undo.clear();
  m_redo.clear();
  m_touched.clear();
  if (!Load()) return {Result::kCannotRead, kCannotRead};
  return {};
}

bool MemoryBook::Load() {
  // The buffers of the last reading are used again where they are big enough (after a delete
  // they are), and given back first where not, so the book never holds the file twice.
  m_size = 0;
  m_lines.clear();
  m_records.clear();
  m_shown.clear();
  size_t read = 0;
  bool ok = core::ReadWholeFile(
      m_folder, m_path,
      [this](size_t size) {
        if (m_bytes.size() < size) {
          m_bytes = BigBytes();
          m_bytes = BigBytes(size);
        }
        return m_bytes.data();
      },
      &read, &m_stamp);
  if (!ok) {
    m_stamp = core::StampOf(m_folder, m_path);
    return false;
  }
  // A file that grew meanwhile was read as far as it was: its stamp now differs, and the
  // next change reads it again.
  m_size = read;
  Index();
  Refilter(false);
  return true;
}

void MemoryBook::Index() {
  const char* data = m_bytes.data();
  const char* end = data + m_size;
  // Room for lines of 8 bytes on average: only what is filled takes memory.
  m_lines.reserve(m_size / 8 + 16);
  // The program reads a line no further than a NUL as stored or as read back (a stored 0x03);
  // such bytes are rare, so their places are found once for the whole file.
  std::vector<size_t> cuts;
  for (char cut : {'\0', '\3'}) {
    for (const char* p = data; (p = static_cast<const char*>(std::memchr(p, cut, end - p))); ++p) {
      cuts.push_back(static_cast<size_t>(p - data));
    }
  }
  std::sort(cuts.begin(), cuts.end());
  size_t next_cut = 0;
  // It reads no further than a Ctrl-Z: the line that holds one and all after it are kept as
  // they are but not listed.
  const char* ctrl_z = static_cast<const char*>(std::memchr(data, kCtrlZ, m_size));
  for (const char* p = data; p < end;) {
    const char* lf = static_cast<const char*>(std::memchr(p, '\n', static_cast<size_t>(end - p)));
    const char* next = lf ? lf + 1 : end;
    const char* text_end = lf ? (lf > p && lf[-1] == '\r' ? lf - 1 : lf) : end;
    Line line;
    line.start = static_cast<uint64_t>(p - data);
    line.separator = kNoSeparator;
    if (!ctrl_z || next <= ctrl_z) {
      while (next_cut < cuts.size() && cuts[next_cut] < line.start) ++next_cut;
      if (next_cut < cuts.size() && data + cuts[next_cut] < text_end) {
        text_end = data + cuts[next_cut];
      }
      line.text = static_cast<uint32_t>(std::min<size_t>(text_end - p, UINT32_MAX - 1));
      // The separator as stored: "(.(".
      const char* q = p;
      while ((q = static_cast<const char*>(std::memchr(q, '(', text_end - q)))) {
        if (text_end - q >= 3 && q[1] == '.' && q[2] == '(') {
          line.separator = static_cast<uint32_t>(q - p);
          break;
        }
        ++q;
      }
    }
    m_lines.push_back(line);
    p = next;
  }
  m_records.reserve(m_lines.size());
  for (size_t i = 0; i < m_lines.size(); ++i) {
    if (Listed(i)) m_records.push_back(static_cast<uint32_t>(i));
  }
}

bool MemoryBook::Listed(size_t line) const {
  return m_lines[line].text > 0 && !IsCommentLine(LineBytes(line));
}

size_t MemoryBook::LineEnd(size_t line) const {
  return line + 1 < m_lines.size() ? m_lines[line + 1].start : m_size;
}

std::string_view MemoryBook::LineBytes(size_t line) const {
  const size_t start = m_lines[line].start;
  return std::string_view(m_bytes.data() + start, LineEnd(line) - start);
}

std::string_view MemoryBook::LineText(size_t line) const {
  return std::string_view(m_bytes.data() + m_lines[line].start, m_lines[line].text);
}

std::string MemoryBook::Keyword(size_t row) const {
  std::string text(LineText(m_shown[row]));
  ShiftLine(text, ShiftRead);
  SplitRecord(text, RecordKeyword);
  return text;
}

std::string MemoryBook::Reply(size_t row) const {
  std::string text(LineText(m_shown[row]));
  ShiftLine(text, ShiftRead);
  SplitRecord(text, RecordReply);
  return text;
}

void MemoryBook::SetFilter(const std::string& text) {
  // Typed text ends at a NUL. Only a single-byte letter folds: the second byte of a two-byte
  // character is a character's part, not a letter.
  std::string folded(text.c_str());
  std::string trail(folded.size(), '\0');
  for (size_t i = 0; i < folded.size(); ++i) {
    const auto c = static_cast<unsigned char>(folded[i]);
    if (IsLead(c) && i + 1 < folded.size()) {
      trail[++i] = 1;
    } else {
      folded[i] = static_cast<char>(FoldNoCase(c));
    }
  }
  if (folded == m_folded && trail == m_trail) {
    m_filter = text;
    return;
  }
  // Every record that holds the longer text holds the shorter one inside it too, when the
  // shorter one stands in it at a character's start.
  bool narrowing = false;
  for (size_t i = 0; !m_folded.empty() && i + m_folded.size() <= folded.size();
       i += trail[i + 1 < trail.size() ? i + 1 : i] ? 2 : 1) {
    if (folded.compare(i, m_folded.size(), m_folded) == 0 &&
        trail.compare(i, m_trail.size(), m_trail) == 0) {
      narrowing = true;
      break;
    }
  }
  m_filter = text;
  m_folded = std::move(folded);
  m_trail = std::move(trail);
  Refilter(narrowing);
}

bool MemoryBook::Matches(const Line& line) const {
  const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data() + line.start);
  if (line.separator == kNoSeparator) return HoldsFolded(p, line.text, m_folded, m_trail);
  return HoldsFolded(p, line.separator, m_folded, m_trail) ||
         HoldsFolded(p + line.separator + 3, line.text - line.separator - 3, m_folded, m_trail);
}

void MemoryBook::Refilter(bool narrowing) {
  if (m_folded.empty()) {
    m_shown.assign(m_records.rbegin(), m_records.rend());
  } else if (narrowing && m_shown.size() < m_records.size() / 8) {
    // Few rows left: checking them beats a pass over the whole file.
    std::erase_if(m_shown, [this](uint32_t line) { return !Matches(m_lines[line]); });
  } else {
    ScanAll();
  }
}

void MemoryBook::ScanAll() {
  m_shown.clear();
  const auto* p = reinterpret_cast<const unsigned char*>(m_bytes.data());
  const size_t n = m_size;
  const size_t m = m_folded.size();
  const auto* folded = reinterpret_cast<const unsigned char*>(m_folded.data());
  // The search looks for the filter's last byte (in Shift-JIS the trail bytes are rarer than
  // the lead bytes), as stored: its fold shifted by 3, and for a single-byte letter the
  // capital too, which differs from the small letter stored only in the bit 0x20.
  const size_t last = m - 1;
  const unsigned char target = static_cast<unsigned char>(folded[last] + 3);
  const unsigned char mask =
      !m_trail[last] && folded[last] >= 'a' && folded[last] <= 'z' ? 0x20 : 0;
  m_shown.reserve(m_records.size());
  const std::string_view pattern = m_folded, trail = m_trail;
  size_t line = 0;  // the line that holds the candidate's start
  // Checks the candidate whose last byte is at `q`; gives where to look next.
  auto check = [&](size_t q) -> size_t {
    const size_t start = q - last;
    while (line + 1 < m_lines.size() && m_lines[line + 1].start <= start) ++line;
    const Line& l = m_lines[line];
    const size_t off = start - l.start;
    const bool in_keyword = l.separator == kNoSeparator || off < l.separator;
    const bool inside = in_keyword ? off + m <= std::min<size_t>(l.separator, l.text)
                                   : off >= l.separator + 3 && off + m <= l.text;
    if (!inside || !MatchesAt(p + start, pattern, trail)) return q + 1;
    // A byte that cannot start a two-byte character ends a character, so the candidate
    // starts one exactly when the bytes between the last such byte (or the field's start)
    // and it pair up.
    const size_t from = l.start + (in_keyword ? 0 : l.separator + 3);
    size_t run = start;
    while (run > from && kStoredLead[p[run - 1]]) --run;
    if ((start - run) % 2 != 0) return q + 1;
    if (!Listed(line)) return LineEnd(line) + last;
    m_shown.push_back(static_cast<uint32_t>(line));
    return LineEnd(line) + last;  // the next line's first candidate
  };
  size_t i = last;
#if defined(__SSE2__)
  const __m128i want = _mm_set1_epi8(static_cast<char>(target));
  const __m128i fold = _mm_set1_epi8(static_cast<char>(mask));
  while (i + 16 <= n) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + i));
    const unsigned found =
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(_mm_or_si128(bytes, fold), want)));
    i = found ? check(i + static_cast<size_t>(__builtin_ctz(found))) : i + 16;
  }
#endif
  while (i < n) i = (p[i] | mask) == target ? check(i) : i + 1;
  std::reverse(m_shown.begin(), m_shown.end());  // newest first
}

std::string MemoryBook::WhyNotStorable(const std::string& keyword, const std::string& reply) {
  // The keyword ends at the first "%+%": one inside it would move the reply's start.
  if (keyword.find(kRecordSeparator) != std::string::npos) return kSeparatorInKeyword;
  std::string record = keyword;
  record += kRecordSeparator;
  record += reply;
  const char* why = NotStorableMessage(CheckStorable(record));
  return why ? why : "";
}

MemoryBook::Outcome MemoryBook::Edit(size_t row, const std::string& keyword,
                                     const std::string& reply) {
  if (row >= m_shown.size()) return {Result::kNothing, kNothingSelected};
  // A record given back as it is shown stays as it is, even a line without "%+%" (shown as
  // both keyword and reply) or one that would not pass the checks.
  if (keyword == Keyword(row) && reply == Reply(row)) return {Result::kNothing, ""};
  std::string why = WhyNotStorable(keyword, reply);
  if (!why.empty()) return {Result::kNotStorable, why};
  const uint32_t line = m_shown[row];
  Change change;
  change.edit = true;
  change.lines = {line};
  change.before = LineBytes(line);
  change.before_end = {change.before.size()};
  // The line keeps its own line break (none, for a last line without one).
  change.after = keyword;
  change.after += kRecordSeparator;
  change.after += reply;
  ShiftLine(change.after, ShiftStore);
  const std::string_view old_line = LineBytes(line);
  if (old_line.ends_with("\r\n")) {
    change.after += "\r\n";
  } else if (old_line.ends_with('\n')) {
    change.after += '\n';
  }
  if (change.after == change.before) return {Result::kNothing, ""};
  Outcome outcome = Apply(change, true);
  if (outcome.result == Result::kDone && m_historyKept) Remember(std::move(change));
  return outcome;
}

MemoryBook::Outcome MemoryBook::Delete(const std::vector<size_t>& rows) {
  Change change;
  for (size_t row : rows) {
    if (row < m_shown.size()) change.lines.push_back(m_shown[row]);
  }
  if (change.lines.empty()) return {Result::kNothing, kNothingSelected};
  std::sort(change.lines.begin(), change.lines.end());
  change.lines.erase(std::unique(change.lines.begin(), change.lines.end()), change.lines.end());
  for (uint32_t line : change.lines) {
    change.before += LineBytes(line);
    change.before_end.push_back(change.before.size());
  }
  Outcome outcome = Apply(change, true);
  if (outcome.result == Result::kDone && m_historyKept) Remember(std::move(change));
  return outcome;
}

MemoryBook::Outcome MemoryBook::Undo() {
  if (m_undo.empty()) return {Result::kNothing, kNothingToUndo};
  Outcome outcome = Apply(m_undo.back(), false);
  if (outcome.result == Result::kDone && m_historyKept) {
    m_redo.push_back(std::move(m_undo.back()));
    m_undo.pop_back();
  }
  return outcome;
}

MemoryBook::Outcome MemoryBook::Redo() {
  if (m_redo.empty()) return {Result::kNothing, kNothingToRedo};
  Outcome outcome = Apply(m_redo.back(), true);
  if (outcome.result == Result::kDone && m_historyKept) {
    m_undo.push_back(std::move(m_redo.back()));
    m_redo.pop_back();
  }
  return outcome;
}

void MemoryBook::Remember(Change change) {
  m_redo.clear();
  m_undo.push_back(std::move(change));
  if (m_undo.size() > kUndoDepth) m_undo.pop_front();
}

bool MemoryBook::GrewByAppending() {
  if (!m_stamp.exists) return false;
  const int fd = m_folder.Open(m_path, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) return false;
  struct stat st;
  bool same =
      ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && static_cast<size_t>(st.st_size) >= m_size;
  std::string chunk;
  for (size_t done = 0; same && done < m_size;) {
    chunk.resize(std::min<size_t>(m_size - done, 1 << 20));
    const ssize_t n = m_folder.Read(fd, chunk.data(), chunk.size());
    if (n <= 0) {
      same = false;
      break;
    }
    same = std::memcmp(chunk.data(), m_bytes.data() + done, static_cast<size_t>(n)) == 0;
    done += static_cast<size_t>(n);
  }
  m_folder.Close(fd);
  return same;
}

MemoryBook::Outcome MemoryBook::Refresh() {
  if (core::StampOf(m_folder, m_path) == m_stamp) return {Result::kNothing, ""};
  // Lines added at the end (the chat teaching or learning) leave every line the history
  // names where it was; any other change does not.
  if (GrewByAppending() && Load()) return {};
  Outcome outcome = Open();
  return outcome.result == Result::kDone ? Outcome{} : outcome;
}

MemoryBook::Outcome MemoryBook::Apply(const Change& change, bool forward) {
  // From here to the rename no other program writes. What it wrote before is taken in when
  // it only added lines at the end; any other change refuses this one.
  core::FolderLock lock(m_folder);
  if (!lock.held()) return {Result::kWriteFailed, core::kFolderBusyMessage};
  if (core::StampOf(m_folder, m_path) != m_stamp && !(GrewByAppending() && Load())) {
    return ChangedOnDisk();
  }
  std::vector<Splice> splices;
  std::vector<uint32_t> touched;
  // The lines a change takes away must stand where it found them; the file was read back
  // after every rewrite, so they do unless something is wrong.
  auto holds = [this](uint32_t line, std::string_view bytes) {
    return line < m_lines.size() && LineBytes(line) == bytes;
  };
  if (change.edit) {
    const uint32_t line = change.lines.front();
    if (!holds(line, forward ? change.Before(0) : std::string_view(change.after))) {
      return ChangedOnDisk();
    }
    splices.push_back({line, forward ? std::string_view(change.after) : change.Before(0), true});
    touched.push_back(line);
  } else if (forward) {
    for (size_t i = 0; i < change.lines.size(); ++i) {
      if (!holds(change.lines[i], change.Before(i))) return ChangedOnDisk();
      splices.push_back({change.lines[i], {}, true});
    }
  } else {
    // Each line goes back before the line that now stands at its place; lines taken away
    // together go back together, their bytes lying side by side in `before`.
    for (size_t i = 0; i < change.lines.size(); ++i) {
      const uint32_t at = change.lines[i] - static_cast<uint32_t>(i);
      if (at > m_lines.size()) return ChangedOnDisk();
      // A last line without a line break can only go back at the end: before lines that came
      // in meanwhile it would be glued to the next one.
      if (!change.Before(i).ends_with('\n') && at != m_lines.size()) return ChangedOnDisk();
      if (!splices.empty() && splices.back().line == at) {
        std::string_view& run = splices.back().insert;
        run = std::string_view(run.data(), run.size() + change.Before(i).size());
      } else {
        splices.push_back({at, change.Before(i), false});
      }
    }
    touched = change.lines;
  }
  return Rewrite(splices, std::move(touched));
}

MemoryBook::Outcome MemoryBook::ChangedOnDisk() {
  const bool had_history = !m_undo.empty() || !m_redo.empty();
  Open();
  std::string message = kChangedOnDisk;
  if (had_history) message += kHistoryCleared;
  return {Result::kChangedOnDisk, message};
}

MemoryBook::Outcome MemoryBook::Rewrite(const std::vector<Splice>& splices,
                                        std::vector<uint32_t> touched) {
  m_historyKept = false;
  // From the look at the file to the rename, no other writer may change it: an append that
  // came in between would be lost with the old file.
  core::FolderLock lock(m_folder);
  if (!lock.held()) return {Result::kWriteFailed, core::kFolderBusyMessage};
  if (core::StampOf(m_folder, m_path) != m_stamp) return ChangedOnDisk();
  core::FileReplacement replacement(m_folder, m_path);
  const int fd = replacement.Begin();
  if (fd < 0) return {Result::kWriteFailed, kWriteFailed};
  Writer out(m_folder, fd);
  const std::string_view file(m_bytes.data(), m_size);
  size_t done = 0;  // bytes of the old file written or dropped
  for (const Splice& splice : splices) {
    const size_t at = splice.line < m_lines.size() ? m_lines[splice.line].start : m_size;
    out.Put(file.substr(done, at - done));
    out.Put(splice.insert);
    done = splice.drop ? LineEnd(splice.line) : at;
  }
  out.Put(file.substr(done));
  if (!out.Finish()) replacement.MarkFailed();
  const core::FileStamp written = core::StampOf(fd);
  // Another program may have written while this one did: then its file stays.
  if (core::StampOf(m_folder, m_path) != m_stamp) {
    replacement.Abort();
    return ChangedOnDisk();
  }
  if (!replacement.Commit()) return {Result::kWriteFailed, kWriteFailed};
  if (!Load()) {
    // The change is in the file; only the list could not follow it. What the history names
    // cannot be checked against a file that cannot be read, so an undo then reads it again.
    m_touched.clear();
    return {Result::kDone, kDoneNotShown};
  }
  // The file read back must be the one just written, or the lines the history names are
  // not where it thinks they are.
  m_historyKept = written == m_stamp;
  if (!m_historyKept) {
    m_undo.clear();
    m_redo.clear();
    touched.clear();
  }
  m_touched = std::move(touched);
  return {};
}

size_t MemoryBook::RowOf(size_t line) const {
  // m_shown runs from the last line to the first.
  auto it = std::lower_bound(m_shown.begin(), m_shown.end(), static_cast<uint32_t>(line),
                             std::greater<uint32_t>());
  return it != m_shown.end() && *it == line ? static_cast<size_t>(it - m_shown.begin())
                                            : m_shown.size();
}

std::vector<size_t> MemoryBook::TouchedRows() const {
  std::vector<size_t> rows;
  for (uint32_t line : m_touched) {
    // m_shown runs from the last line to the first.
    auto it = std::lower_bound(m_shown.begin(), m_shown.end(), line, std::greater<uint32_t>());
    if (it != m_shown.end() && *it == line)
      rows.push_back(static_cast<size_t>(it - m_shown.begin()));
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}
