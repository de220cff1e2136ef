// ReplyEngine, the persona's mind: turns each line the user sends into the one line the
// persona says. Replies come from memory.dat (found through the persona's index of it, which
// looks at the file every turn), boke.dat and no.dat (read afresh every turn), and the engine
// learns conversation pairs by itself. A conversation owns one engine for its whole life; no
// file stays open between calls. The engine borrows the persona, the backend and the log,
// which must outlive it, and never ends the program: it says in its Turn when the front end
// must.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/persona.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"
#include "ui/backend.h"

class WordMemory;

class ReplyEngine {
 public:
  // What the teaching and forgetting chat words did in this turn.
  enum WordStatus : int32_t {
    WordNone = 0,
    WordLearned = 1,
    WordLearnFailed = 2,
    WordForgot = 3,
    WordForgetFailed = 4,
  };

  // What a turn gives the chat window: the reply, or the end of the program.
  struct Turn {
    std::string reply;          // as made: "NAME" is left for the window
    int exit_status = -1;       // 0 or 1: end the program now with this status, no reply
    bool write_failed = false;  // a conversation pair could not be kept (the user was told)
    bool ends() const { return exit_status >= 0; }
  };

  // Which chat words a turn knows: all of them, or (when two personas talk, and no line may
  // end the program, teach or forget) only the empty line.
  enum class Words { kAll, kEmptyLineOnly };

  // Reads nothing: CheckDataFiles is the start-up check.
  ReplyEngine(core::Persona& persona, ui::Backend& backend, ConversationLog& log);
  virtual ~ReplyEngine();
  ReplyEngine(const ReplyEngine&) = delete;
  ReplyEngine& operator=(const ReplyEngine&) = delete;

  // Checks that memory.dat, boke.dat and no.dat exist. 1 when they do; otherwise a box names
  // each missing one, then a closing box, and 0: the program must end with status 1.
  int CheckDataFiles();

  // One turn: the chat words first, then the pending pair, the search or the fallback, and
  // the coin that decides whether the reply is remembered. `settings` is what the window
  // loaded for this turn; the chat words' log notes follow its log mode.
  Turn MakeReply(std::string line, const SettingsStore& settings, Words words = Words::kAll);

  // Keeps `reply` as the keyword of the next conversation pair, as the coin does.
  void RememberForPair(std::string reply);
  bool PairPending() const { return m_pairPending; }
  const std::string& RememberedReply() const { return m_rememberedReply; }

  // The steps of a turn, each usable on its own.
  // A line of no.dat, or "何か話し掛けてよ！" with the same chance as each line. Nothing
  // when no.dat cannot be read (after the Err:0001 box): the program must end (status 1).
  std::optional<std::string> PickNoInputReply();
  // A line of boke.dat (its reply part when it holds a record), or the echo of `line` with
  // the same chance as each line. Nothing as for PickNoInputReply.
  std::optional<std::string> PickBokeReply(const std::string& line);
  // The search of memory.dat for `line`: every record whose keyword occurs in it becomes a
  // candidate, in file order (the plain record up to its line break). Returns how many
  // matched; an unreadable memory.dat matches nothing.
  int SearchMemory(const std::string& line);
  const std::vector<std::string>& candidates() const { return m_candidates; }
  // Draws one candidate, clears them, and returns its reply part.
  std::string PickCandidateReply();
  // The lines of a data file, counted in reads of kCountReadUnit bytes; -1, after the
  // Err:0001 box, when the file cannot be opened.
  int32_t CountLines(const char* file_name);
  // Appends the remembered reply "%+%" `line` to memory.dat. A record that would not read
  // back as itself is dropped without a word; a failed write leaves the file as it was and
  // shows the write-error box. False only when the write failed.
  bool AppendConversationPair(const std::string& line);

 private:
  struct ChatWord;
  struct WordContext;
  static const ChatWord kChatWords[];

  // The chat words of `line`. True when a word answered the whole turn (exit, the empty
  // line): `*turn` holds it. Otherwise `*status` and `*fixed_reply` tell what a teaching or
  // forgetting word did (WordNone when none acted).
  bool HandleChatWord(const std::string& line, const SettingsStore& settings, Words words,
                      Turn* turn, WordStatus* status, const char** fixed_reply);
  // The actions of the chat words; 1 for done, 0 for not done.
  int SayGoodbye(WordContext& word);
  int AnswerEmptyLine(WordContext& word);
  int LearnFromLine(WordContext& word);
  int LearnByDialog(WordContext& word);
  int ForgetByDialog(WordContext& word);
  int ForgetKeyword(WordContext& word);

  // The r-th line (1-based) of a data file as plain text, or empty when it has fewer;
  // nothing when the file cannot be opened (after the Err:0001 box).
  std::optional<std::string> ReadDataLine(const char* file_name, int r);
  void ReportUnreadableDataFile();

  core::Persona& m_persona;
  ui::Backend& m_backend;
  ConversationLog& m_log;
  std::string m_rememberedReply;  // keyword of the next conversation pair
  bool m_pairPending = false;     // m_rememberedReply waits for the next line

  std::vector<std::string> m_candidates;  // this turn's matching records
};
