// MemoryIndex: memory.dat's records by keyword, so that a turn finds the records whose keyword
// occurs in its line without reading the whole file: exactly RecordScan's matches under
// kReplySearchRules, in file order. It keeps no file open; each call first looks at the file
// (fstat) and takes in what changed. The persona owns one and lends it its folder.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/folder.h"
#include "core/record_scan.h"
#include "core/text_file.h"

namespace core {

class MemoryIndex {
 public:
  MemoryIndex(Folder& folder, std::string name);
  MemoryIndex(const MemoryIndex&) = delete;
  MemoryIndex& operator=(const MemoryIndex&) = delete;

  // Calls `found` for every piece of the file whose keyword occurs in `text`, in file order,
  // as RecordScan::NextMatch gives them (`comment` false, `matches` true); a piece's text is
  // valid during the call only. False when the file cannot be opened for reading.
  using Found = std::function<void(const RecordScan::Piece&)>;
  bool Find(std::string_view text, const Found& found);

  // True when a whole line of the text (before any Ctrl-Z) is the record `plain` as stored:
  // its bytes exactly, no letter case folded, then a line break or the end of the text. For
  // a check before storing a record again; false when the file cannot be read.
  bool Contains(std::string_view plain);

  // The persona's way to append `line` (ending with its own CR LF) to the file, as
  // core::AppendLine does. Under the folder's lock the index takes in what others changed
  // before, and then the line, so that neither is taken for a part of the other.
  AppendResult AppendLine(std::string_view line);

  // Bytes of memory the index holds now.
  size_t MemoryBytes() const;
  // How the last look came to trust the index, and how often it was built from the start,
  // for tests and the bench.
  enum class Sync { kNone, kUnchanged, kChecked, kExtended, kRebuilt };
  Sync last_sync() const { return m_lastSync; }
  int builds() const { return m_builds; }

 private:
  // One key of the table: a keyword's 64-bit hash and its newest record.
  struct Slot {
    uint32_t tag = 0;    // high half of the hash
    uint32_t check = 0;  // low half of the hash
    uint32_t head = 0;   // newest record, kNoRecord, or kEmpty for an unused slot
  };
  // A record after the last line break, whose piece may still change as the file grows.
  struct TailRecord {
    uint64_t hash;
    size_t keyword_size;  // 0: a record of the empty keyword
  };
  // A range of the file the cheap check reads again, and the hash of its bytes.
  struct Sample {
    off_t at;
    size_t size;
    uint64_t hash;
  };

  // The file as fstat gives it: a FileStamp and the time of change, which moves also when the
  // time of modification is set back.
  struct Stamp {
    FileStamp file;
    int64_t ctime_ns = 0;
    bool operator==(const Stamp&) const = default;
  };
  // The file opened and looked at, or -1 (and the index dropped) when it cannot be.
  int OpenFile(Stamp* stamp);
  void Refresh();
  bool Update(int fd, const Stamp& stamp);
  void Reset();
  bool IndexFrom(int fd, off_t from, off_t to);
  void AddRecord(off_t at, std::string_view text, bool line_end);
  void DropTailRecords();
  void TakeSamples(int fd);
  bool SamplesHold(int fd);
  bool HashRange(int fd, const Sample& range, uint64_t* hash);

  uint32_t RecordCount() const { return static_cast<uint32_t>(m_low.size()); }
  off_t OffsetOf(uint32_t record) const;
  void QueueInsert(uint64_t hash, uint32_t record);
  void FlushInserts();
  void Insert(uint64_t hash, uint32_t record);
  Slot* Lookup(uint64_t hash);
  void Grow();
  size_t FilterWord(uint64_t hash) const;
  bool FilterHas(uint64_t hash) const;
  void FilterAdd(uint64_t hash);

  // Reads the pieces of `records` (ascending) and calls `each` with each piece.
  bool ReadPieces(int fd, const std::vector<uint32_t>& records,
                  const std::function<void(const TextReader::Piece&, uint32_t)>& each);
  bool FindByScan(std::string_view text, const Found& found);

  Folder& m_folder;
  std::string m_name;
  Sync m_lastSync = Sync::kNone;
  int m_builds = 0;

  // The file as indexed.
  bool m_built = false;
  Stamp m_stamp;
  bool m_racy = false;     // changed less than kRacyNs before the stamp was taken
  off_t m_textEnd = 0;     // end of the text: the size, or the first Ctrl-Z
  bool m_ctrlZ = false;    // a Ctrl-Z ended the text
  off_t m_settledEnd = 0;  // just after the last line break of the text
  std::vector<TailRecord> m_tail;
  std::vector<Sample> m_samples;

  // The records, numbered in file order: where each piece starts, and the record before it
  // with the same key.
  std::vector<uint32_t> m_low;       // offset, low 32 bits
  std::vector<uint32_t> m_highFrom;  // m_highFrom[k]: first record at offset >= (k+1) << 32
  std::vector<uint32_t> m_next;
  std::vector<uint32_t> m_emptyKeyword;  // records of the empty keyword: they match any text
  std::vector<Slot> m_slots;             // open addressing, a power of two
  size_t m_used = 0;                     // slots not empty
  std::vector<uint64_t> m_filter;        // two bits per key: most absent keys never probe
  std::vector<uint32_t> m_lengthCount;   // records of each keyword length, to look up only those
  size_t m_maxLength = 0;
  // Inserts wait here a few records long, while their slots are fetched from memory.
  static constexpr size_t kQueue = 16;
  std::pair<uint64_t, uint32_t> m_queue[kQueue];
  size_t m_queueStart = 0;
  size_t m_queued = 0;
};

}  // namespace core
