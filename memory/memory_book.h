// MemoryBook: memory.dat as the memory book lists it (every record newest first, with its line
// number, filtered by a search text) and the book's changes to it: edit one, delete several,
// undo and redo. Each change is one rewrite through core::FileReplacement under the folder's
// lock. A file that changed on disk since it was read refuses the change, unless it only
// gained lines at its end: the change is then made on the new file. It returns outcomes and
// shows nothing itself.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "core/persona_files.h"
#include "core/text_file.h"
#include "memory/big_allocator.h"

class MemoryBook {
 public:
  enum class Result {
    kDone,
    kNothing,        // nothing to undo, redo or delete, or an edit that changes nothing
    kNotStorable,    // the record would not read back as written; nothing written
    kChangedOnDisk,  // memory.dat changed since it was read; nothing written, read again
    kCannotRead,     // memory.dat cannot be read; the book is empty
    kWriteFailed,    // the rewrite failed; memory.dat is as it was
  };
  struct Outcome {
    Result result = Result::kDone;
    std::string message;  // for the user; empty when there is nothing to say
  };

  // How many changes the book can take back.
  static constexpr size_t kUndoDepth = 20;

  // The book of `name` in `folder` (borrowed; it must outlive the book).
  explicit MemoryBook(core::Folder& folder, std::string name = core::kMemoryFile);
  ~MemoryBook();
  MemoryBook(const MemoryBook&) = delete;
  MemoryBook& operator=(const MemoryBook&) = delete;

  // Reads the file afresh (the filter stays) and forgets the changes it could take back.
  Outcome Open();
  // Takes in what another program (or the chat window) changed since the file was read:
  // kNothing when nothing did. Lines added at the end keep the history; any other change
  // reads the file afresh as Open does.
  Outcome Refresh();
  // The line number (0-based) of a row, for finding a record again after a refresh.
  size_t LineOf(size_t row) const { return m_shown[row]; }
  // The row that shows line `line`, or ShownCount() when none does.
  size_t RowOf(size_t line) const;
  // The stored bytes of a row's line, with its line break.
  std::string_view RowBytes(size_t row) const { return LineBytes(m_shown[row]); }

  // Rows are the records shown: newest first, those the filter lets through.
  size_t RecordCount() const { return m_records.size(); }  // every record of the file
  size_t ShownCount() const { return m_shown.size(); }
  size_t LineNumber(size_t row) const { return static_cast<size_t>(m_shown[row]) + 1; }
  // Keyword and reply as the persona reads them (a line without "%+%" is both).
  std::string Keyword(size_t row) const;
  std::string Reply(size_t row) const;

  // Shows the records whose keyword or reply holds `text` at the start of one of its
  // characters (Shift-JIS walked from the field's start): single-byte ASCII letters match
  // either case, a two-byte character only itself. An empty text shows all.
  void SetFilter(const std::string& text);
  const std::string& filter() const { return m_filter; }

  // The checks a record must pass to read back as written: the message why not, or empty.
  static std::string WhyNotStorable(const std::string& keyword, const std::string& reply);

  Outcome Edit(size_t row, const std::string& keyword, const std::string& reply);
  Outcome Delete(const std::vector<size_t>& rows);
  Outcome Undo();
  Outcome Redo();

  // The rows of the records the last edit, undo or redo wrote, as far as the filter shows
  // them; ascending.
  std::vector<size_t> TouchedRows() const;

 private:
  struct Line {
    uint64_t start = 0;      // offset in the file
    uint32_t text = 0;       // bytes the program reads: up to the line break or a NUL
    uint32_t separator = 0;  // offset of "%+%" in the text, or kNoSeparator
  };
  static constexpr uint32_t kNoSeparator = UINT32_MAX;

  // One change as it can be taken back: the lines it removed or replaced, by their index in
  // the file before it, with their bytes then and (for an edit) after.
  struct Change {
    bool edit = false;
    std::vector<uint32_t> lines;     // ascending
    std::string before;              // the lines' bytes with their line breaks, in order
    std::vector<size_t> before_end;  // where each line ends in `before`
    std::string after;               // an edit's new line
    std::string_view Before(size_t i) const;
  };
  // A piece of the rewrite: before line `line` (or at the end), put `insert`, then drop or
  // keep the line. `insert` points into a Change.
  struct Splice {
    uint32_t line = 0;
    std::string_view insert;
    bool drop = false;
  };
  using LineList = std::vector<uint32_t, BigAllocator<uint32_t>>;

  bool Load();
  void Index();
  void Refilter(bool narrowing);
  // The records that hold the filter, newest first, found in one pass over the whole file.
  void ScanAll();
  bool Listed(size_t line) const;
  bool Matches(const Line& line) const;
  size_t LineEnd(size_t line) const;
  std::string_view LineBytes(size_t line) const;  // with its line break
  std::string_view LineText(size_t line) const;
  // Writes the file with `splices` (ascending) applied, then reads it back. `touched`: the
  // lines of the new file the change wrote.
  Outcome Rewrite(const std::vector<Splice>& splices, std::vector<uint32_t> touched);
  // Whether the file now is the file as read with lines added at its end.
  bool GrewByAppending();
  // Reads the file again after it changed under the book, and says so.
  Outcome ChangedOnDisk();
  // Applies `change` forward (do, redo) or backward (undo).
  Outcome Apply(const Change& change, bool forward);
  void Remember(Change change);

  core::Folder& m_folder;
  std::string m_path;
  BigBytes m_bytes;  // the whole file as read
  size_t m_size = 0;
  core::FileStamp m_stamp;                        // the file as read
  std::vector<Line, BigAllocator<Line>> m_lines;  // every line of the file
  LineList m_records;                             // the lines that are records, in file order
  LineList m_shown;                               // the records shown, newest first
  std::string m_filter;
  std::string m_folded;  // the filter with its single-byte letters folded
  std::string m_trail;   // for each byte of m_folded: 1 where it ends a two-byte character
  std::deque<Change> m_undo, m_redo;  // newest at the back
  std::vector<uint32_t> m_touched;    // lines the last write reported
  // The last rewrite read back the file it wrote, so the history still names its lines.
  bool m_historyKept = false;
};
