// WordMemory: how the user edits the persona's word memory memory.dat. It appends taught
// pairs (from the learn dialog or a "keyword===reply" line) and removes one record chosen
// from a numbered list of the records a keyword calls up. It keeps no copy of the file:
// each operation works on the persona's memory.dat itself. A removal builds the new
// memory.dat whole in a copy of a unique name beside it and renames it over the old one, so
// memory.dat is always either the old file or the new one; from its scan to the rename it
// holds the folder's lock and removes only the record it listed. One object serves one user
// action. It shows and asks nothing: each step returns what happened, and whoever runs the
// action (chat::Conversation) asks the user for the pair, the keyword and the number between
// the steps. The persona is borrowed and must outlive it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "core/outcome.h"
#include "core/memory_index.h"
#include "core/persona.h"
#include "core/text_file.h"

// Where a teaching line "keyword===reply" is split: the first "===", or the first "＝＝＝"
// (what an input method in its Japanese mode types for it), whichever comes first.
struct LearnMarker {
  size_t at = std::string_view::npos;  // npos: the line teaches nothing
  size_t size = 0;
};
LearnMarker FindLearnMarker(std::string_view line);

class WordMemory {
 public:
  explicit WordMemory(core::Persona& persona);
  virtual ~WordMemory();
  WordMemory(const WordMemory&) = delete;
  WordMemory& operator=(const WordMemory&) = delete;

  // Teaching. Done when the pair was stored; refused, with no message, when the line holds no
  // marker; otherwise as AppendRecord.
  core::Outcome LearnFromLine(const std::string& line);
  // Splits `line` at its first marker (FindLearnMarker) into keyword and reply (up to a
  // line break); false when there is none.
  bool SplitLearnLine(std::string& keyword, std::string& reply, const std::string& line);
  // Appends keyword "%+%" reply to memory.dat in the stored form, as a line of its own.
  // Refused when the record would not read back as itself; failed, with its two messages,
  // when memory.dat cannot be written (a failed write leaves no part of the line).
  core::Outcome AppendRecord(const std::string& keyword, const std::string& reply);

  // Forgetting: the list, then the removal of the entry the user chose from it.
  // Lists the records `keyword` calls up (matches()); refused when there is none.
  core::Outcome List(const std::string& keyword);
  // Builds m_strMatches, the numbered list of records whose keyword occurs in `keyword`,
  // one "N : record" a line with CR LF (every entry on a line of its own, also the first
  // piece of a long line); false when memory.dat cannot be read.
  bool ListMatches(const std::string& keyword);
  // Runs of line feeds shrink to one.
  void CollapseLineBreaks(std::string& text);
  // Every line feed becomes CR LF, for the several-line list box.
  void ExpandLineBreaks(std::string& text);
  // Removes entry `n` of the list, under the folder's lock from the scan to the rename.
  // Failed, with why, when another writer kept the folder, the entry is not there or no longer
  // the record listed, or memory.dat could not be rewritten.
  core::Outcome ForgetChosen(int n);
  // Writes memory.dat to the copy byte for byte without the line of the n-th match; done when
  // there was one and it is still the record listed under n (the copy may still have
  // failed: CopyBack then refuses it). Call under the folder's lock.
  core::Outcome CopyWithoutChosen(int n, const std::string& keyword);
  // Renames the finished copy over memory.dat, keeping memory.dat's permissions.
  // False, with memory.dat untouched and no temporary file left, when the copy is not complete
  // or memory.dat cannot be written (read-only).
  bool CopyBack();

  const std::string& matches() const { return m_strMatches; }

 private:
  core::Folder& m_folder;
  core::MemoryIndex& m_index;  // the persona's: appends go through it
  std::string m_keyword;              // the keyword of the forget under way
  std::string m_strMatches;           // the list shown in the number dialog
  std::vector<std::string> m_listed;  // the stored bytes of each entry listed, in order
  core::FileReplacement m_copy;       // the new memory.dat while a forget builds it
};
