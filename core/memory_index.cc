#include "core/memory_index.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include "core/record_format.h"

namespace core {
namespace {

// The index follows the reply search: pieces of kReplySearchRules.read_unit bytes, "//"
// comments, empty pieces passed over.
constexpr size_t kUnit = kReplyReadUnit;
static_assert(kReplySearchRules.read_unit == kUnit &&
              kReplySearchRules.comment == CommentRule::kPieceStartsWithSlashes &&
              !kReplySearchRules.empty_piece_is_record);
// A keyword is at most a whole piece: unit - 1 bytes and the line break, or unit bytes.
constexpr size_t kMaxKeyword = kUnit;

constexpr uint32_t kEmpty = 0xFFFFFFFF;     // a slot never used
constexpr uint32_t kNoRecord = 0xFFFFFFFE;  // the end of a chain
constexpr uint32_t kCtrlZ = 0x1A;

// A file changed this shortly before its stamp was taken may change again within the same
// tick of the file system's clock without a new stamp (FAT and some network shares keep two
// seconds); such a stamp is trusted only after the cheap check.
constexpr int64_t kRacyNs = int64_t{2} * 1000000000;

// The check that the bytes indexed are still the file's: all of them in a file of up to
// kWholeCheck bytes (about 4,000 records); in a larger one, the cheap check: the first and the
// last kEdgeBytes and kSpots ranges of kSpotBytes spread evenly between them.
constexpr off_t kWholeCheck = 256 << 10;
constexpr size_t kEdgeBytes = 4096;
constexpr int kSpots = 16;
constexpr size_t kSpotBytes = 64;

// Candidates closer together than this are read with one call.
constexpr off_t kReadGap = 16384;
constexpr size_t kMaxRead = 1 << 20;
constexpr size_t kBuildBlock = 1 << 20;

// The hash of a keyword, built a byte at a time (FNV-1a), then mixed with its length.
constexpr uint64_t kSeed = 0xcbf29ce484222325;
inline uint64_t Step(uint64_t h, unsigned char c) { return (h ^ c) * 0x100000001b3; }
inline uint64_t Finish(uint64_t h, size_t size) {
  h ^= size;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccd;
  h ^= h >> 33;
  h *= 0xc4ceb9fe1a85ec53;
  return h ^ (h >> 33);
}

uint64_t KeyHash(std::string_view stored, const RecordScan::Keyword& keyword) {
  uint64_t h = kSeed;
  for (size_t i = 0; i < keyword.stored_size; ++i) {
    h = Step(h, RecordScan::ReadBackFolded(static_cast<unsigned char>(stored[i])));
  }
  if (keyword.with_break) h = Step(h, '\n');
  return Finish(h, keyword.size());
}

// The bytes of a sample, in four lanes of eight bytes. Each step of a lane is one-to-one in
// its state and in its word, so bytes that differ in one word never give the same hash.
uint64_t HashBytes(std::string_view bytes) {
  uint64_t lane[4] = {kSeed, kSeed + 1, kSeed + 2, kSeed + 3};
  auto step = [](uint64_t h, uint64_t word) {
    h = (h ^ word) * 0x9e3779b97f4a7c15;
    return h ^ (h >> 29);
  };
  size_t i = 0;
  for (; i + 32 <= bytes.size(); i += 32) {
    for (int k = 0; k < 4; ++k) {
      uint64_t word;
      std::memcpy(&word, bytes.data() + i + 8 * k, 8);
      lane[k] = step(lane[k], word);
    }
  }
  uint64_t h = step(step(step(lane[0], lane[1]), lane[2]), lane[3]);
  for (; i < bytes.size(); ++i) h = Step(h, static_cast<unsigned char>(bytes[i]));
  return Finish(h, bytes.size());
}

// The keyword read back and folded, as it must occur in the folded text.
std::string Needle(std::string_view stored, const RecordScan::Keyword& keyword) {
  std::string needle(keyword.size(), '\n');
  for (size_t i = 0; i < keyword.stored_size; ++i) {
    needle[i] =
        static_cast<char>(RecordScan::ReadBackFolded(static_cast<unsigned char>(stored[i])));
  }
  return needle;
}

// The two bits of a key in its word of the filter.
uint64_t FilterBits(uint64_t hash) {
  return uint64_t{1} << (hash >> 58) | uint64_t{1} << (hash >> 52 & 63);
}

// Not a comment and not passed over as empty, by the reply search's rules.
bool Searchable(std::string_view text) {
  if (text.size() >= 2 && text[0] == '/' && text[1] == '/') return false;
  return !text.empty() && text[0] != '\0';
}

int64_t NowNs() {
  timespec t;
  ::clock_gettime(CLOCK_REALTIME, &t);
  return int64_t{t.tv_sec} * 1000000000 + t.tv_nsec;
}

// Reads [at, at + size) whole; false on an error or an early end.
bool PreadAll(Folder& folder, int fd, char* out, size_t size, off_t at) {
  while (size > 0) {
    ssize_t n = folder.Pread(fd, out, size, at);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    out += n;
    size -= static_cast<size_t>(n);
    at += n;
  }
  return true;
}

}  // namespace

MemoryIndex::MemoryIndex(Folder& folder, std::string name)
    : m_folder(folder), m_name(std::move(name)), m_lengthCount(kMaxKeyword + 1, 0) {}

int MemoryIndex::OpenFile(Stamp* stamp) {
  // Non-blocking, so a named pipe in the file's place cannot hang the program.
  int fd = m_folder.Open(m_name, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  struct stat st;
  if (fd >= 0 && (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) {
    m_folder.Close(fd);
    fd = -1;
  }
  // A file that cannot be looked at has no index.
  if (fd < 0) {
    Reset();
    return -1;
  }
  const int64_t kNs = 1000000000;
  stamp->file = FileStamp{true, st.st_dev, st.st_ino, st.st_size,
                          int64_t{st.st_mtim.tv_sec} * kNs + st.st_mtim.tv_nsec};
  stamp->ctime_ns = int64_t{st.st_ctim.tv_sec} * kNs + st.st_ctim.tv_nsec;
  return fd;
}

void MemoryIndex::Reset() {
  // Swapped out, so the memory goes back too.
  m_built = false;
  m_stamp = Stamp{};
  m_racy = false;
  m_textEnd = m_settledEnd = 0;
  m_ctrlZ = false;
  std::vector<TailRecord>().swap(m_tail);
  std::vector<Sample>().swap(m_samples);
  std::vector<uint32_t>().swap(m_low);
  std::vector<uint32_t>().swap(m_highFrom);
  std::vector<uint32_t>().swap(m_next);
  std::vector<uint32_t>().swap(m_emptyKeyword);
  std::vector<Slot>().swap(m_slots);
  std::vector<uint64_t>().swap(m_filter);
  m_lengthCount.assign(kMaxKeyword + 1, 0);
  m_used = 0;
  m_maxLength = 0;
}

// The index is current for `stamp`, the file open as `fd`: unchanged, grown (the new lines
// taken in) or built anew. False when a read failed or the file shrank meanwhile; what was
// read is indexed, and the next call starts afresh.
bool MemoryIndex::Update(int fd, const Stamp& stamp) {
  if (m_built && stamp == m_stamp) {
    if (!m_racy) {
      m_lastSync = Sync::kUnchanged;
      return true;
    }
    if (SamplesHold(fd)) {
      m_lastSync = Sync::kChecked;
      return true;
    }
  }
  bool ok;
  if (m_built && stamp.file.device == m_stamp.file.device &&
      stamp.file.inode == m_stamp.file.inode && stamp.file.size > m_stamp.file.size &&
      SamplesHold(fd)) {
    // Only grown: the lines after the last line break are read again with what follows.
    // Behind a Ctrl-Z nothing new belongs to the text.
    ok = true;
    if (!m_ctrlZ) {
      DropTailRecords();
      ok = IndexFrom(fd, m_settledEnd, stamp.file.size);
    }
    m_lastSync = Sync::kExtended;
  } else {
    Reset();
    // Room for records of 48 bytes; a memory of longer ones reserves pages it never touches.
    const size_t guess = static_cast<size_t>(stamp.file.size) / 48 + 16;
    m_low.reserve(guess);
    m_next.reserve(guess);
    while (m_slots.size() * 3 < guess * 4) Grow();
    ok = IndexFrom(fd, 0, stamp.file.size);
    m_lastSync = Sync::kRebuilt;
    ++m_builds;
  }
  m_stamp = stamp;
  m_racy = std::max(stamp.file.mtime_ns, stamp.ctime_ns) > NowNs() - kRacyNs;
  m_built = ok;
  if (ok) TakeSamples(fd);
  return ok;
}

bool MemoryIndex::IndexFrom(int fd, off_t from, off_t to) {
  // Room for a block and what is left of a piece; a few new lines need less.
  const size_t room =
      std::min(kBuildBlock, static_cast<size_t>(std::max<off_t>(to - from, 0))) + kUnit + 2;
  auto buf = std::make_unique_for_overwrite<char[]>(room);
  size_t have = 0, pos = 0;  // bytes in buf; the next piece
  off_t base = from;         // file offset of buf[0]
  off_t next_read = from;
  bool end = next_read >= to;
  bool ok = true;
  for (;;) {
    if (!end && have - pos < kUnit + 2) {
      std::memmove(buf.get(), buf.get() + pos, have - pos);
      base += static_cast<off_t>(pos);
      have -= pos;
      pos = 0;
    }
    // A piece needs unit + 2 bytes, or all that remain of the text.
    while (!end && have < kUnit + 2) {
      const size_t want = std::min(room - have, static_cast<size_t>(to - next_read));
      ssize_t n = m_folder.Pread(fd, buf.get() + have, want, next_read);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        ok = false;  // a read error, or the file shrank while it was read
        end = true;
      } else {
        const void* z = std::memchr(buf.get() + have, kCtrlZ, static_cast<size_t>(n));
        next_read += n;
        if (z) {
          have = static_cast<size_t>(static_cast<const char*>(z) - buf.get());
          m_ctrlZ = true;
          end = true;
        } else {
          have += static_cast<size_t>(n);
          end = next_read >= to;
        }
      }
    }
    if (pos == have) break;
    TextReader::Piece piece;
    const size_t used = CutTextPiece(buf.get() + pos, have - pos, kUnit, &piece);
    AddRecord(base + static_cast<off_t>(pos), piece.text, piece.line_end);
    pos += used;
    if (piece.line_end) {
      // Every piece of a finished line stays as it is, whatever comes after it.
      m_settledEnd = base + static_cast<off_t>(pos);
      m_tail.clear();
    }
  }
  FlushInserts();
  m_textEnd = base + static_cast<off_t>(have);
  return ok;
}

void MemoryIndex::AddRecord(off_t at, std::string_view text, bool line_end) {
  if (!Searchable(text)) return;
  const uint32_t record = RecordCount();
  while (static_cast<uint64_t>(at) >> 32 > m_highFrom.size()) m_highFrom.push_back(record);
  m_low.push_back(static_cast<uint32_t>(at));
  m_next.push_back(kNoRecord);
  const RecordScan::Keyword keyword = RecordScan::KeywordOf(text, line_end);
  if (keyword.size() == 0) {
    m_emptyKeyword.push_back(record);
    m_tail.push_back({0, 0});
    return;
  }
  const uint64_t hash = KeyHash(text, keyword);
  QueueInsert(hash, record);
  ++m_lengthCount[keyword.size()];
  m_maxLength = std::max(m_maxLength, keyword.size());
  m_tail.push_back({hash, keyword.size()});
}

// Takes out the records after the last line break, newest first: each is the head of its
// chain.
void MemoryIndex::DropTailRecords() {
  for (auto it = m_tail.rbegin(); it != m_tail.rend(); ++it) {
    const uint32_t record = RecordCount() - 1;
    if (it->keyword_size == 0) {
      m_emptyKeyword.pop_back();
    } else {
      Slot* slot = Lookup(it->hash);
      if (slot && slot->head == record) slot->head = m_next[record];
      --m_lengthCount[it->keyword_size];
    }
    m_low.pop_back();
    m_next.pop_back();
    while (!m_highFrom.empty() && m_highFrom.back() >= RecordCount()) m_highFrom.pop_back();
  }
  m_tail.clear();
}

off_t MemoryIndex::OffsetOf(uint32_t record) const {
  const uint64_t high = static_cast<uint64_t>(
      std::upper_bound(m_highFrom.begin(), m_highFrom.end(), record) - m_highFrom.begin());
  return static_cast<off_t>(high << 32 | m_low[record]);
}

void MemoryIndex::QueueInsert(uint64_t hash, uint32_t record) {
  if (!m_slots.empty()) {
    __builtin_prefetch(&m_slots[(hash >> 32) & (m_slots.size() - 1)], 1);
    __builtin_prefetch(&m_filter[FilterWord(hash)], 1);
  }
  if (m_queued < kQueue) {
    m_queue[(m_queueStart + m_queued++) % kQueue] = {hash, record};
    return;
  }
  Insert(m_queue[m_queueStart].first, m_queue[m_queueStart].second);
  m_queue[m_queueStart] = {hash, record};
  m_queueStart = (m_queueStart + 1) % kQueue;
}

void MemoryIndex::FlushInserts() {
  for (; m_queued > 0; --m_queued) {
    Insert(m_queue[m_queueStart].first, m_queue[m_queueStart].second);
    m_queueStart = (m_queueStart + 1) % kQueue;
  }
}

void MemoryIndex::Insert(uint64_t hash, uint32_t record) {
  if ((m_used + 1) * 4 > m_slots.size() * 3) Grow();
  const uint32_t tag = static_cast<uint32_t>(hash >> 32), check = static_cast<uint32_t>(hash);
  const size_t mask = m_slots.size() - 1;
  for (size_t i = tag & mask;; i = (i + 1) & mask) {
    Slot& slot = m_slots[i];
    if (slot.head == kEmpty) {
      slot = Slot{tag, check, record};
      ++m_used;
      FilterAdd(hash);
      return;
    }
    if (slot.tag == tag && slot.check == check) {
      m_next[record] = slot.head;
      slot.head = record;
      return;
    }
  }
}

MemoryIndex::Slot* MemoryIndex::Lookup(uint64_t hash) {
  if (m_slots.empty()) return nullptr;
  const uint32_t tag = static_cast<uint32_t>(hash >> 32), check = static_cast<uint32_t>(hash);
  const size_t mask = m_slots.size() - 1;
  for (size_t i = tag & mask;; i = (i + 1) & mask) {
    Slot& slot = m_slots[i];
    if (slot.head == kEmpty) return nullptr;
    if (slot.tag == tag && slot.check == check) return &slot;
  }
}

// Doubles the table; keys without records left are dropped, the filter is made anew.
void MemoryIndex::Grow() {
  std::vector<Slot> old(std::max<size_t>(1024, m_slots.size() * 2), Slot{0, 0, kEmpty});
  old.swap(m_slots);
  m_filter.assign(m_slots.size() / 8, 0);
  m_used = 0;
  const size_t mask = m_slots.size() - 1;
  for (const Slot& slot : old) {
    if (slot.head == kEmpty || slot.head == kNoRecord) continue;
    size_t i = slot.tag & mask;
    while (m_slots[i].head != kEmpty) i = (i + 1) & mask;
    m_slots[i] = slot;
    ++m_used;
    FilterAdd(uint64_t{slot.tag} << 32 | slot.check);
  }
}

// One word of the filter per key, two bits in it.
size_t MemoryIndex::FilterWord(uint64_t hash) const {
  return (hash & 0xFFFFFFFF) * m_filter.size() >> 32;
}

bool MemoryIndex::FilterHas(uint64_t hash) const {
  if (m_filter.empty()) return false;
  return (m_filter[FilterWord(hash)] & FilterBits(hash)) == FilterBits(hash);
}

void MemoryIndex::FilterAdd(uint64_t hash) { m_filter[FilterWord(hash)] |= FilterBits(hash); }

void MemoryIndex::TakeSamples(int fd) {
  m_samples.clear();
  const off_t size = m_stamp.file.size;
  auto add = [&](off_t at, off_t bytes) {
    at = std::max<off_t>(at, 0);
    bytes = std::min(bytes, size - at);
    if (bytes > 0) m_samples.push_back({at, static_cast<size_t>(bytes), 0});
  };
  if (size <= kWholeCheck) {
    add(0, size);
  } else {
    add(0, kEdgeBytes);
    for (int i = 1; i <= kSpots; ++i) add(size / (kSpots + 1) * i, kSpotBytes);
    add(size - static_cast<off_t>(kEdgeBytes), kEdgeBytes);
    if (m_ctrlZ) add(m_textEnd, 1);
  }
  for (Sample& sample : m_samples) {
    // Without its samples the index cannot be checked: the next call builds it anew.
    if (!HashRange(fd, sample, &sample.hash)) m_built = false;
  }
}

bool MemoryIndex::SamplesHold(int fd) {
  for (const Sample& sample : m_samples) {
    uint64_t hash;
    if (!HashRange(fd, sample, &hash) || hash != sample.hash) return false;
  }
  return true;
}

bool MemoryIndex::HashRange(int fd, const Sample& range, uint64_t* hash) {
  std::string bytes(range.size, '\0');
  if (!PreadAll(m_folder, fd, bytes.data(), bytes.size(), range.at)) return false;
  *hash = HashBytes(bytes);
  return true;
}

bool MemoryIndex::ReadPieces(int fd, const std::vector<uint32_t>& records,
                             const std::function<void(const TextReader::Piece&, uint32_t)>& each) {
  std::string buf;
  off_t buf_at = 0;
  // The bytes a piece at `at` is cut from: unit + 2, or what remains of the text.
  auto needed_end = [&](off_t at) {
    return std::min(at + static_cast<off_t>(kUnit + 2), m_textEnd);
  };
  for (size_t k = 0; k < records.size(); ++k) {
    const off_t at = OffsetOf(records[k]);
    const off_t end = needed_end(at);
    if (at < buf_at || end > buf_at + static_cast<off_t>(buf.size())) {
      off_t last = end;
      for (size_t j = k + 1; j < records.size(); ++j) {
        const off_t next = OffsetOf(records[j]);
        if (next - last > kReadGap || needed_end(next) - at > static_cast<off_t>(kMaxRead)) break;
        last = needed_end(next);
      }
      buf.resize(static_cast<size_t>(last - at));
      buf_at = at;
      if (!PreadAll(m_folder, fd, buf.data(), buf.size(), at)) return false;
    }
    TextReader::Piece piece;
    CutTextPiece(buf.data() + (at - buf_at), static_cast<size_t>(end - at), kUnit, &piece);
    each(piece, records[k]);
  }
  return true;
}

bool MemoryIndex::FindByScan(std::string_view text, const Found& found) {
  RecordScan scan(text, kReplySearchRules);
  if (!scan.Open(m_folder, m_name)) return false;
  RecordScan::Piece piece;
  while (scan.NextMatch(&piece)) found(piece);
  return true;
}

bool MemoryIndex::Find(std::string_view text, const Found& found) {
  text = text.substr(0, std::min(text.size(), text.find('\0')));
  const size_t size = text.size();
  // A very long line has more substrings to look up than a plain scan reads bytes.
  const size_t steps = size * std::min(size, kMaxKeyword);
  Stamp stamp;
  const int fd = OpenFile(&stamp);
  if (fd < 0) {
    m_lastSync = Sync::kNone;
    return false;
  }
  if (steps > (size_t{1} << 20) && steps * 6 > static_cast<size_t>(stamp.file.size)) {
    m_folder.Close(fd);
    return FindByScan(text, found);
  }
  // An empty text calls up nothing, not even the records of the empty keyword.
  if (size == 0) {
    m_folder.Close(fd);
    return true;
  }
  Update(fd, stamp);

  std::string folded(text);
  for (char& c : folded) c = static_cast<char>(FoldNoCase(static_cast<unsigned char>(c)));
  const unsigned char* t = reinterpret_cast<const unsigned char*>(folded.data());
  std::vector<uint32_t> records(m_emptyKeyword);
  const size_t longest = std::min(m_maxLength, size);
  for (size_t i = 0; i < size; ++i) {
    uint64_t h = kSeed;
    const size_t stop = std::min(size, i + longest);
    for (size_t j = i; j < stop; ++j) {
      h = Step(h, t[j]);
      const size_t length = j - i + 1;
      if (m_lengthCount[length] == 0) continue;
      const uint64_t key = Finish(h, length);
      if (!FilterHas(key)) continue;
      if (const Slot* slot = Lookup(key)) {
        for (uint32_t r = slot->head; r != kNoRecord; r = m_next[r]) records.push_back(r);
      }
    }
  }
  std::sort(records.begin(), records.end());
  records.erase(std::unique(records.begin(), records.end()), records.end());
  // Each candidate is read back and judged by the exact rule, so a shared hash never gives
  // a record whose keyword is not in the text.
  ReadPieces(fd, records, [&](const TextReader::Piece& piece, uint32_t) {
    if (!Searchable(piece.text)) return;
    const RecordScan::Keyword keyword = RecordScan::KeywordOf(piece.text, piece.line_end);
    if (keyword.size() > 0 && folded.find(Needle(piece.text, keyword)) == std::string::npos) {
      return;
    }
    found(RecordScan::Piece{piece.text, piece.line_end, false, true});
  });
  m_folder.Close(fd);
  return true;
}

bool MemoryIndex::Contains(std::string_view plain) {
  std::string stored(plain);
  for (char& c : stored) c = static_cast<char>(c + 3);
  // A line of the file, whole in one piece and not passed over.
  if (stored.size() + 1 > kUnit || !Searchable(stored) ||
      stored.find_first_of(std::string_view("\n\x1A", 2)) != std::string::npos) {
    return false;
  }
  Stamp stamp;
  const int fd = OpenFile(&stamp);
  if (fd < 0) {
    m_lastSync = Sync::kNone;
    return false;
  }
  Update(fd, stamp);
  // Its keyword; a line without a separator keeps its line break in it, unless it is the
  // last line and has none.
  std::vector<uint32_t> records;
  for (bool line_end : {true, false}) {
    const RecordScan::Keyword keyword = RecordScan::KeywordOf(stored, line_end);
    if (!line_end && keyword.stored_size < stored.size()) break;  // the same keyword
    if (keyword.size() == 0) {
      records.insert(records.end(), m_emptyKeyword.begin(), m_emptyKeyword.end());
    } else if (const Slot* slot = Lookup(KeyHash(stored, keyword))) {
      for (uint32_t r = slot->head; r != kNoRecord; r = m_next[r]) records.push_back(r);
    }
  }
  std::sort(records.begin(), records.end());
  records.erase(std::unique(records.begin(), records.end()), records.end());
  bool found = false;
  ReadPieces(fd, records, [&](const TextReader::Piece& piece, uint32_t record) {
    const off_t at = OffsetOf(record);
    if (found || piece.text != stored) return;
    // The whole line: ended by a line break, or the last of the text; and its first piece.
    if (!piece.line_end && at + static_cast<off_t>(stored.size()) != m_textEnd) return;
    char before = '\n';
    found = at == 0 || (PreadAll(m_folder, fd, &before, 1, at - 1) && before == '\n');
  });
  m_folder.Close(fd);
  return found;
}

AppendResult MemoryIndex::AppendLine(std::string_view line) {
  FolderLock lock(m_folder);
  if (!lock.held()) return AppendResult::kBusy;
  Refresh();
  const AppendResult result = core::AppendLine(m_folder, m_name, line);
  Refresh();
  return result;
}

// Takes in now what changed since the last look; nothing when the index was not built yet.
void MemoryIndex::Refresh() {
  if (!m_built) return;
  Stamp stamp;
  const int fd = OpenFile(&stamp);
  if (fd < 0) return;
  Update(fd, stamp);
  m_folder.Close(fd);
}

size_t MemoryIndex::MemoryBytes() const {
  auto bytes = [](const auto& v) { return v.capacity() * sizeof(v[0]); };
  return bytes(m_low) + bytes(m_highFrom) + bytes(m_next) + bytes(m_emptyKeyword) + bytes(m_slots) +
         bytes(m_filter) + bytes(m_lengthCount) + bytes(m_tail) + bytes(m_samples);
}

}  // namespace core
