// ReplyEngine, the persona's mind: turns each line the user sends into the one line the
// persona says. Replies come from memory.dat (found through the persona's index of it, which
// looks at the file every turn), boke.dat and no.dat (read afresh every turn), and the engine
// learns conversation pairs by itself. A conversation owns one engine for its whole life; no
// file stays open between calls. The engine borrows the persona and the log, which must
// outlive it. It shows nothing and never ends the program: the messages of a turn go to its
// caller's Words in order, and its Turn says when the front end must end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/outcome.h"
#include "core/persona.h"
#include "log/conversation_log.h"
#include "settings/settings_store.h"

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
    std::string reply;     // as made: "NAME" is left for the window
    int exit_status = -1;  // 0 or 1: end the program now with this status, no reply
    // A conversation pair or a chat word's log note could not be kept (the user was told).
    bool write_failed = false;
    bool ends() const { return exit_status >= 0; }
  };

  // What a turn needs of its caller: where its messages go (each before the next question of
  // the turn, and the rest at its end, in the order they came), and the chat words that ask
  // the user something (learn, forget, f.), which the conversation runs through its front
  // end. Each of those says what became of it; its messages come with it.
  class Words {
   public:
    virtual void Tell(const std::string& message) = 0;
    // The learn dialog's pair, stored.
    virtual core::Outcome LearnByDialog() = 0;
    // The forget dialogs' keyword and choice, forgotten.
    virtual core::Outcome ForgetByDialog() = 0;
    // The choice among the records `keyword` calls up, forgotten.
    virtual core::Outcome ForgetKeyword(const std::string& keyword) = 0;

   protected:
    ~Words() = default;
  };

  // What a duet (two personas talking) knows of the lines said in it, for the persona about
  // to answer. Age: how many lines ago `reply` (as the engine makes it, "NAME" left in) was
  // last said, 1 for the line being answered, 0 when it was never said in this duet.
  class DuetLines {
   public:
    virtual int Age(const std::string& reply) const = 0;

   protected:
    ~DuetLines() = default;
  };
  // In a duet a line said within this many lines is recent: a persona does not say it again
  // while it has another line to say.
  static constexpr int kRecentLines = 24;

  // Reads nothing: CheckDataFiles is the start-up check.
  ReplyEngine(core::Persona& persona, ConversationLog& log);
  virtual ~ReplyEngine();
  ReplyEngine(const ReplyEngine&) = delete;
  ReplyEngine& operator=(const ReplyEngine&) = delete;

  // Checks that memory.dat, boke.dat and no.dat exist. Failed when one is missing: a message
  // names each missing one, then a closing one, and the program must end with status 1.
  core::Outcome CheckDataFiles();

  // One turn: the chat words first, then the pending pair, the search or the fallback, and
  // the coin that decides whether the reply is remembered. `settings` is what the window
  // loaded for this turn; the chat words' log notes follow its log mode. The messages of the
  // turn go to `words`, which also runs the chat words that ask.
  //
  // With `duet`, the line is another persona's, and the turn follows the duet's own rules: the
  // empty line is the only chat word (no line may end the program, teach or forget); of the
  // lines it could say the persona draws among those not said lately, preferring ones never
  // said in the duet; when every line found in memory was said lately, or none was found, it
  // changes the subject with a line of its no.dat or answers from boke.dat, again avoiding
  // recent lines, and it never answers a puzzled echo with another one. A pair whose reply is
  // its keyword, or that memory.dat already holds, is not stored. The coin and the one draw of
  // the pick come in the order of a chat turn.
  Turn MakeReply(std::string line, const SettingsStore& settings, Words& words,
                 const DuetLines* duet = nullptr);

  // Keeps `reply` as the keyword of the next conversation pair, as the coin does.
  void RememberForPair(std::string reply);
  bool PairPending() const { return m_pairPending; }
  const std::string& RememberedReply() const { return m_rememberedReply; }

  // The steps of a turn, each usable on its own. What they have to say waits in TakeTold.
  // A line of no.dat, or "何か話し掛けてよ！" with the same chance as each line. Nothing
  // when no.dat cannot be read (after the Err:0001 message): the program must end (status 1).
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
  // Err:0001 message, when the file cannot be opened.
  int32_t CountLines(const char* file_name);
  // Appends the remembered reply "%+%" `line` to memory.dat. A record that would not read
  // back as itself is dropped without a word; a failed write leaves the file as it was and
  // tells why. False only when the write failed.
  bool AppendConversationPair(const std::string& line);
  // As AppendConversationPair, between two personas: a pair whose reply is its keyword, or
  // that memory.dat already holds byte for byte (looked at under the folder's lock, so a pair
  // another program appends meanwhile counts), is left out, and that is no failure.
  bool AppendNewConversationPair(const std::string& line);
  // The messages of the steps since the last call, in order.
  std::vector<std::string> TakeTold();

 private:
  struct ChatWord;
  struct WordContext;
  static const ChatWord kChatWords[];

  // The chat words of `line`. True when a word answered the whole turn (exit, the empty
  // line): `*turn` holds it. Otherwise `*status` and `*fixed_reply` tell what a teaching or
  // forgetting word did (WordNone when none acted).
  // The turn of MakeReply, whose last messages it passes on.
  Turn MakeTurn(std::string line, const SettingsStore& settings, Words& words,
                const DuetLines* duet);
  bool HandleChatWord(const std::string& line, const SettingsStore& settings, Words& words,
                      const DuetLines* duet, Turn* turn, WordStatus* status,
                      const char** fixed_reply);
  // The actions of the chat words: done or not, with their messages.
  core::Outcome SayGoodbye(WordContext& word);
  core::Outcome AnswerEmptyLine(WordContext& word);
  core::Outcome LearnFromLine(WordContext& word);
  core::Outcome LearnByDialog(WordContext& word);
  core::Outcome ForgetByDialog(WordContext& word);
  core::Outcome ForgetKeyword(WordContext& word);
  // A message of the turn, for the next TakeTold or Words::Tell.
  void Tell(std::string message) { m_told.push_back(std::move(message)); }
  // Passes what waits to be told on to `words`.
  void TellNow(Words& words);

  // The r-th line (1-based) of a data file as plain text, or empty when it has fewer;
  // nothing when the file cannot be opened (after the Err:0001 message).
  std::optional<std::string> ReadDataLine(const char* file_name, int r);
  // Every line of a data file as plain text, each as ReadDataLine gives it; nothing as there.
  std::optional<std::vector<std::string>> ReadDataLines(const char* file_name);
  // A duet's reply to `line`, drawn from this turn's candidates or, when each was said
  // lately, from the lines that change the subject; nothing when a data file cannot be read.
  std::optional<std::string> PickDuetReply(const std::string& line, const DuetLines& duet);
  // A duet's answer to an empty line: a line of no.dat or "何か話し掛けてよ！".
  std::optional<std::string> PickDuetNoInputReply(const DuetLines& duet);
  // One draw among `options`: those never said in the duet when there are any, else those not
  // said lately (`stale`, e.g. a puzzled echo, counts as such); with `any_but_last`, else any
  // but the line being answered. Nothing, and no draw, when none qualifies.
  std::optional<std::string> DrawFresh(const std::vector<std::string>& options,
                                       const DuetLines& duet, bool any_but_last,
                                       const std::string* stale = nullptr);
  void ReportUnreadableDataFile();

  core::Persona& m_persona;
  ConversationLog& m_log;
  std::vector<std::string> m_told;  // messages not passed on yet
  std::string m_rememberedReply;    // keyword of the next conversation pair
  bool m_pairPending = false;       // m_rememberedReply waits for the next line

  std::vector<std::string> m_candidates;  // this turn's matching records
};
