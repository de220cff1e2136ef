// ReplyEngine, the persona's mind: turns each line the user sends into the one line the
// persona says. Replies come from memory.dat, boke.dat and no.dat in the working folder,
// read afresh every turn, and the engine learns conversation pairs by itself. The chat
// window owns one engine for its whole life; no file stays open between calls.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class ReplyEngine {
 public:
  // Outcome of this turn's chat word, in m_wordStatus.
  enum : int32_t {
    WordNone = 0,
    WordLearned = 1,
    WordLearnFailed = 2,
    WordForgot = 3,
    WordForgetFailed = 4,
  };

  // Checks that memory.dat, boke.dat and no.dat exist. For each missing one a box names
  // it; then a closing box, and the program ends with exit status 1.
  ReplyEngine();
  virtual ~ReplyEngine();
  ReplyEngine(const ReplyEngine&) = delete;
  ReplyEngine& operator=(const ReplyEngine&) = delete;

  // One turn: the persona's reply to `line`, as made ("NAME" left for the window).
  std::string MakeReply(std::string line);
  // The chat words, tested before the search: "exit" writes the farewell to the log and
  // ends the program (status 0); an empty line gets a no.dat reply in m_wordReply (result
  // 1); "keyword===reply", "learn", "forget" and "f.keyword" teach or forget through a
  // WordMemory and set m_wordStatus with a note in the log. Result 0 otherwise.
  char HandleChatWord(std::string line);
  // The turn after the chat words: the pending pair, the fixed replies of m_wordStatus,
  // the search or the fallback, and the coin that decides whether the reply is remembered.
  std::string ReplyAfterChatWord();

  // A line of no.dat, or "何か話し掛けてよ！" with the same chance as each line.
  std::string PickNoInputReply();
  // A line of boke.dat (its reply part when it holds a record), or the echo reply with
  // the same chance as each line.
  std::string PickBokeReply();
  // The search of memory.dat for `line`: every record whose keyword occurs in it goes to
  // save.temp, in file order. Starts from no save.temp at all; returns how many matched.
  // An unreadable memory.dat matches nothing.
  int SearchMemory(const std::string& line);
  // Adds one plain record (up to its first line break) to save.temp.
  void CollectCandidate(const char* record);
  // Draws one line of save.temp, deletes the file, and returns that line's reply part.
  std::string PickCandidateReply();
  // The lines of a data file, counted in reads of kCountReadUnit bytes. When the file
  // cannot be opened, shows the Err:0001 box and ends the program with exit status 1.
  int32_t CountLines(const char* file_name);
  // Appends m_rememberedReply "%+%" m_pairInput to memory.dat. A record that would not
  // read back as itself is dropped without a word; a failed write leaves the file as it was
  // and shows the write-error box.
  void AppendConversationPair();
  int IsCommentLine(std::string_view stored_line) const;

  std::string m_work;             // last reply made by PickBokeReply or PickNoInputReply
  std::string m_input;            // this turn's line; the echo reply quotes it
  std::string m_wordReply;        // the reply HandleChatWord made (for an empty line)
  std::string m_rememberedReply;  // keyword of the next conversation pair
  std::string m_pairInput;        // this turn's line; reply of a conversation pair
  int32_t m_pairPending = 0;      // 1 while m_rememberedReply waits for the next line
  int32_t m_wordStatus = WordNone;

 private:
  // The r-th line (1-based) of a data file as plain text, or empty when it has fewer.
  std::string ReadDataLine(const char* file_name, int r);
  void CloseCandidates();

  int m_candidates = -1;            // save.temp while a search writes to it
  int64_t m_candidatesSize = 0;     // its length after the last whole line
  bool m_candidatesFailed = false;  // writing to it failed in this search
  bool m_candidatesStale = false;   // it could not be cleared: not this turn's candidates
};
