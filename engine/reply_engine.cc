#include "engine/reply_engine.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include "core/links.h"
#include "core/persona_files.h"
#include "core/memory_index.h"
#include "core/record_format.h"
#include "core/record_scan.h"
#include "core/text_file.h"
#include "memory/word_memory.h"

namespace {

using core::kBokeFile;
using core::kMemoryFile;
using core::kNoFile;

constexpr const char* kMissingMemory =
    "ファイルが足りません。\nファイルが同じフォルダにあるか確認してください\n足りないファイル: "
    "Memory.dat\n";
constexpr const char* kMissingBoke =
    "ファイルが足りません。\nファイルが同じフォルダにあるか確認してください\n足りないファイル: "
    "Boke.dat\n";
constexpr const char* kMissingNo =
    "ファイルが足りません。\nファイルが同じフォルダにあるか確認してください\n足りないファイル: "
    "No.dat\n";
constexpr const char* kSupplyFiles = "ファイルを補ってください。OKで終了します";
constexpr const char* kBadFileNameHead =
    "ファイル名が間違っています\n同じディレクトリにファイルがないか\nまたはバグの可能性があります。"
    "\n\nファイルが存在することを確認してもまだこの現象が起こる場合は\n";
constexpr const char* kBadFileNameTail =
    "\nまでメールで下のエラー番号とこのメッセージが起こる条件を\nお知らせください\n\nErr:0001\n";
constexpr const char* kMemoryNotWritable =
    "memory.datファイルに書き込みができません。\n読み込み専用ファイルになっている可能性があります。"
    "\n読み込み専用を解除してください。";
constexpr const char* kErrorBox = "エラーが発生しました";
constexpr const char* kErrorReply = "システム::エラーが発生しました";
constexpr const char* kNoInputDefault = "何か話し掛けてよ！";
constexpr const char* kEchoOpen = "『";
constexpr const char* kEchoClose = "』って言われてもわかんないじゃない！!!";
constexpr const char* kLearnedReply = "覚えたよ～ん,教えてくれてありがとう♪";
constexpr const char* kLearnFailedReply = "覚えられないですぅ";
constexpr const char* kForgotReply = "忘れたよ～～ん♪";
constexpr const char* kForgetFailedReply = "忘れられないよう（泣）だって大切な思い出だもん！";

// What the chat words write to the log and show.
constexpr const char* kLearnedNote = "言葉を覚えさせました！";
constexpr const char* kLearnFailedNote =
    "言葉を覚えさせようとしましたが、なんらかの原因で失敗しました。";
constexpr const char* kForgotNote = "言葉を忘れさせました！";
constexpr const char* kForgetFailedNote =
    "言葉を忘れさせようとしましたが、何らかの理由で忘れることが出来ませんでした。";
constexpr const char* kForgetFailedBox = "忘れさせるのに失敗しました。";

}  // namespace

// One chat word: how it is recognised, what it does, and what follows from the result.
// Words that answer the whole turn (exit, the empty line) have no status, note or fixed
// reply; the others are all tried in turn, and the status set last stands.
struct ReplyEngine::ChatWord {
  bool (*recognised)(const std::string& line);
  core::Outcome (ReplyEngine::*act)(WordContext& word);
  bool answers_turn;
  WordStatus done, failed;
  const char* done_note;
  const char* failed_note;
  const char* failed_box;  // shown before the note when the word failed, or null
  const char* done_reply;
  const char* failed_reply;
};

// What a chat word's action works with.
struct ReplyEngine::WordContext {
  const std::string& line;
  const SettingsStore& settings;
  Words& words;           // the caller's: messages, and the words that ask
  WordMemory* memory;     // one for all teaching and forgetting words of the turn
  Turn* turn;             // for the words that answer the whole turn
  const DuetLines* duet;  // in a duet, the lines said in it
};

const ReplyEngine::ChatWord ReplyEngine::kChatWords[] = {
    {[](const std::string& line) { return line == "exit"; }, &ReplyEngine::SayGoodbye, true,
     WordNone, WordNone, nullptr, nullptr, nullptr, nullptr, nullptr},
    {[](const std::string& line) { return line.empty(); }, &ReplyEngine::AnswerEmptyLine, true,
     WordNone, WordNone, nullptr, nullptr, nullptr, nullptr, nullptr},
    {[](const std::string& line) { return FindLearnMarker(line).at != std::string::npos; },
     &ReplyEngine::LearnFromLine, false, WordLearned, WordLearnFailed, kLearnedNote,
     kLearnFailedNote, nullptr, kLearnedReply, kLearnFailedReply},
    {[](const std::string& line) { return line.size() == 5 && FindNoCase(line.c_str(), "learn"); },
     &ReplyEngine::LearnByDialog, false, WordLearned, WordLearnFailed, kLearnedNote,
     kLearnFailedNote, nullptr, kLearnedReply, kLearnFailedReply},
    {[](const std::string& line) { return line.size() == 6 && FindNoCase(line.c_str(), "forget"); },
     &ReplyEngine::ForgetByDialog, false, WordForgot, WordForgetFailed, kForgotNote,
     kForgetFailedNote, kForgetFailedBox, kForgotReply, kForgetFailedReply},
    {[](const std::string& line) { return line.rfind("f.", 0) == 0; }, &ReplyEngine::ForgetKeyword,
     false, WordForgot, WordForgetFailed, kForgotNote, kForgetFailedNote, kForgetFailedBox,
     kForgotReply, kForgetFailedReply},
};

ReplyEngine::ReplyEngine(core::Persona& persona, ConversationLog& log)
    : m_persona(persona), m_log(log) {}

ReplyEngine::~ReplyEngine() = default;

core::Outcome ReplyEngine::CheckDataFiles() {
  core::Outcome outcome;
  const struct {
    const char* name;
    const char* message;
  } files[] = {{kMemoryFile, kMissingMemory}, {kBokeFile, kMissingBoke}, {kNoFile, kMissingNo}};
  for (const auto& file : files) {
    if (!core::CanRead(m_persona.folder(), file.name)) {
      outcome.And(file.message);
      outcome.kind = core::Outcome::Kind::kFailed;
    }
  }
  if (!outcome.done()) outcome.And(kSupplyFiles);
  return outcome;
}

void ReplyEngine::ReportUnreadableDataFile() {
  Tell(std::string(kBadFileNameHead) + core::kSupportMail + kBadFileNameTail);
}

std::vector<std::string> ReplyEngine::TakeTold() { return std::exchange(m_told, {}); }

void ReplyEngine::TellNow(Words& words) {
  for (const std::string& message : TakeTold()) words.Tell(message);
}

ReplyEngine::Turn ReplyEngine::MakeReply(std::string line, const SettingsStore& settings,
                                         Words& words, const DuetLines* duet) {
  Turn turn = MakeTurn(std::move(line), settings, words, duet);
  TellNow(words);
  return turn;
}

ReplyEngine::Turn ReplyEngine::MakeTurn(std::string line, const SettingsStore& settings,
                                        Words& words, const DuetLines* duet) {
  // The window's text is zero-terminated: nothing after a NUL belongs to the line.
  CutAtNul(line);
  Turn turn;
  WordStatus status = WordNone;
  const char* fixed_reply = nullptr;
  if (HandleChatWord(line, settings, words, duet, &turn, &status, &fixed_reply)) return turn;

  if (m_pairPending) {
    m_pairPending = false;
    // A chat word that acted takes the place of the answer: the pair is dropped.
    if (status == WordNone)
      turn.write_failed = !(duet ? AppendNewConversationPair(line) : AppendConversationPair(line));
  }
  if (fixed_reply) {
    turn.reply = fixed_reply;
    return turn;
  }
  int matched = SearchMemory(line);
  int coin = m_persona.Rand() % 2;
  if (duet) {
    std::optional<std::string> reply = PickDuetReply(line, *duet);
    if (!reply) {
      turn.exit_status = 1;
      return turn;
    }
    turn.reply = std::move(*reply);
  } else if (matched > 0) {
    turn.reply = PickCandidateReply();
  } else if (std::optional<std::string> boke = PickBokeReply(line)) {
    turn.reply = std::move(*boke);
  } else {
    turn.exit_status = 1;
    return turn;
  }
  if (coin == 0) RememberForPair(turn.reply);
  return turn;
}

bool ReplyEngine::HandleChatWord(const std::string& line, const SettingsStore& settings,
                                 Words& words, const DuetLines* duet, Turn* turn,
                                 WordStatus* status, const char** fixed_reply) {
  *status = WordNone;
  *fixed_reply = nullptr;
  // One WordMemory for the turn, once the line is known to be none of the words that answer
  // the whole turn.
  std::optional<WordMemory> memory;
  WordContext word{line, settings, words, nullptr, turn, duet};
  for (const ChatWord& row : kChatWords) {
    if (duet && row.act != &ReplyEngine::AnswerEmptyLine) continue;
    if (!row.answers_turn && !memory) {
      memory.emplace(m_persona);
      word.memory = &*memory;
    }
    if (!row.recognised(line)) continue;
    const core::Outcome acted = (this->*row.act)(word);
    for (const std::string& message : acted.messages) Tell(message);
    if (row.answers_turn) return true;
    const bool done = acted.done();
    if (!done && row.failed_box) Tell(row.failed_box);
    *status = done ? row.done : row.failed;
    *fixed_reply = done ? row.done_reply : row.failed_reply;
    const LogOutcome noted = m_log.WriteNote(settings, done ? row.done_note : row.failed_note);
    if (!noted.message.empty()) Tell(noted.message);
    if (noted.failed()) turn->write_failed = true;
  }
  return false;
}

core::Outcome ReplyEngine::SayGoodbye(WordContext& word) {
  const LogOutcome logged = m_log.WriteEndEntry(word.settings, kFarewell);
  word.turn->exit_status = 0;
  core::Outcome outcome;
  if (!logged.message.empty()) outcome.And(logged.message);
  return outcome;
}

core::Outcome ReplyEngine::AnswerEmptyLine(WordContext& word) {
  std::optional<std::string> reply =
      word.duet ? PickDuetNoInputReply(*word.duet) : PickNoInputReply();
  if (!reply) {
    word.turn->exit_status = 1;
    return core::Outcome::Of(core::Outcome::Kind::kFailed);
  }
  word.turn->reply = std::move(*reply);
  return core::Outcome::Done();
}

core::Outcome ReplyEngine::LearnFromLine(WordContext& word) {
  return word.memory->LearnFromLine(word.line);
}
// The words that ask: what the turn has said so far is read before the question.
core::Outcome ReplyEngine::LearnByDialog(WordContext& word) {
  TellNow(word.words);
  return word.words.LearnByDialog();
}
core::Outcome ReplyEngine::ForgetByDialog(WordContext& word) {
  TellNow(word.words);
  return word.words.ForgetByDialog();
}
core::Outcome ReplyEngine::ForgetKeyword(WordContext& word) {
  TellNow(word.words);
  return word.words.ForgetKeyword(word.line.substr(2));
}

void ReplyEngine::RememberForPair(std::string reply) {
  m_rememberedReply = std::move(reply);
  m_pairPending = true;
}

std::optional<std::string> ReplyEngine::PickNoInputReply() {
  int32_t n = CountLines(kNoFile);
  if (n < 0) return std::nullopt;
  int r = m_persona.Rand() % (n + 1);
  if (r == 0) return std::string(kNoInputDefault);
  return ReadDataLine(kNoFile, r);
}

std::optional<std::string> ReplyEngine::PickBokeReply(const std::string& line) {
  int32_t n = CountLines(kBokeFile);
  if (n < 0) return std::nullopt;
  int r = m_persona.Rand() % (n + 1);
  if (r == 0) return kEchoOpen + line + kEchoClose;
  std::optional<std::string> reply = ReadDataLine(kBokeFile, r);
  if (reply) SplitRecord(*reply, RecordReply);
  return reply;
}

std::optional<std::string> ReplyEngine::ReadDataLine(const char* file_name, int r) {
  core::TextReader reader;
  // The file was there a moment ago when its lines were counted.
  if (!reader.Open(m_persona.folder(), file_name)) {
    ReportUnreadableDataFile();
    return std::nullopt;
  }
  core::TextReader::Piece piece;
  for (int i = 1; i <= r; ++i) {
    if (!reader.Next(kReplyReadUnit, &piece)) return std::string();
  }
  std::string line(piece.text);
  CutAtNul(line);
  ShiftLine(line, ShiftRead);
  CutAtNul(line);
  return line;
}

int ReplyEngine::SearchMemory(const std::string& line) {
  // The candidates stay in memory, so a working folder that cannot be written (read-only, a
  // full disk) still gives replies.
  m_candidates.clear();
  std::string record;
  m_persona.memory_index().Find(line, [&](const core::RecordScan::Piece& piece) {
    record.clear();
    core::RecordScan::AppendPlain(piece, &record);
    record.resize(std::min(record.size(), record.find('\n')));
    m_candidates.push_back(record);
  });
  return static_cast<int>(m_candidates.size());
}

std::string ReplyEngine::PickCandidateReply() {
  if (m_candidates.empty()) {
    Tell(kErrorBox);
    return kErrorReply;
  }
  int r = m_persona.Rand() % static_cast<int>(m_candidates.size());
  std::string chosen = std::move(m_candidates[static_cast<size_t>(r)]);
  m_candidates.clear();
  chosen.push_back('\n');
  SplitRecord(chosen, RecordReply);
  return chosen;
}

int32_t ReplyEngine::CountLines(const char* file_name) {
  core::TextReader reader;
  if (!reader.Open(m_persona.folder(), file_name)) {
    ReportUnreadableDataFile();
    return -1;
  }
  int32_t count = 0;
  core::TextReader::Piece piece;
  while (reader.Next(kCountReadUnit, &piece)) ++count;
  return count;
}

bool ReplyEngine::AppendConversationPair(const std::string& line) {
  std::string record = m_rememberedReply;
  record += kRecordSeparator;
  record += line;
  // Learning from the conversation happens unasked, so a pair that the file cannot hold
  // (it would read back as another record, or as none) is left out without a box.
  if (CheckStorable(record) != StoreProblem::kNone) return true;
  core::AppendResult result = m_persona.memory_index().AppendLine(StoredLine(record));
  if (result == core::AppendResult::kOk) return true;
  Tell(result == core::AppendResult::kBusy ? core::kFolderBusyMessage : kMemoryNotWritable);
  return false;
}

bool ReplyEngine::AppendNewConversationPair(const std::string& line) {
  if (line == m_rememberedReply) return true;  // the partner said it back: an echo
  // Looked at and appended under one hold of the lock (it nests), against the file as it is.
  core::FolderLock lock(m_persona.folder());
  std::string record = m_rememberedReply;
  record += kRecordSeparator;
  record += line;
  if (lock.held() && m_persona.memory_index().Contains(record)) return true;
  return AppendConversationPair(line);
}

std::optional<std::vector<std::string>> ReplyEngine::ReadDataLines(const char* file_name) {
  core::TextReader reader;
  if (!reader.Open(m_persona.folder(), file_name)) {
    ReportUnreadableDataFile();
    return std::nullopt;
  }
  std::vector<std::string> lines;
  core::TextReader::Piece piece;
  while (reader.Next(kReplyReadUnit, &piece)) {
    std::string line(piece.text);
    CutAtNul(line);
    ShiftLine(line, ShiftRead);
    CutAtNul(line);
    lines.push_back(std::move(line));
  }
  return lines;
}

namespace {

// The fallback that quotes what it did not understand.
bool IsEcho(const std::string& line) {
  const size_t open = std::char_traits<char>::length(kEchoOpen);
  const size_t close = std::char_traits<char>::length(kEchoClose);
  return line.size() >= open + close && line.starts_with(kEchoOpen) && line.ends_with(kEchoClose);
}

}  // namespace

std::optional<std::string> ReplyEngine::DrawFresh(const std::vector<std::string>& options,
                                                  const DuetLines& duet, bool any_but_last,
                                                  const std::string* stale) {
  std::vector<const std::string*> never, old, other;
  for (const std::string& option : options) {
    const int age = duet.Age(option);
    if (age == 0 && &option != stale)
      never.push_back(&option);
    else if (age == 0 || age > kRecentLines)
      old.push_back(&option);
    else if (age > 1)
      other.push_back(&option);
  }
  const std::vector<const std::string*>& pool = !never.empty()                  ? never
                                                : !old.empty() || !any_but_last ? old
                                                                                : other;
  if (pool.empty()) return std::nullopt;
  return *pool[static_cast<size_t>(m_persona.Rand()) % pool.size()];
}

std::optional<std::string> ReplyEngine::PickDuetReply(const std::string& line,
                                                      const DuetLines& duet) {
  std::vector<std::string> found;
  for (std::string& record : m_candidates) {
    record.push_back('\n');
    SplitRecord(record, RecordReply);
    found.push_back(std::move(record));
  }
  m_candidates.clear();
  if (std::optional<std::string> reply = DrawFresh(found, duet, false)) return reply;
  // Nothing new to say on this: a line of no.dat changes the subject, or one of boke.dat
  // answers, or the echo, which never quotes an echo.
  std::optional<std::vector<std::string>> others = ReadDataLines(kNoFile);
  std::optional<std::vector<std::string>> boke = ReadDataLines(kBokeFile);
  if (!others || !boke) return std::nullopt;
  others->push_back(kNoInputDefault);
  for (std::string& reply : *boke) {
    SplitRecord(reply, RecordReply);
    others->push_back(std::move(reply));
  }
  const std::string* echo = nullptr;
  if (!IsEcho(line)) {
    others->push_back(kEchoOpen + line + kEchoClose);
    echo = &others->back();
  }
  if (std::optional<std::string> reply = DrawFresh(*others, duet, true, echo)) return reply;
  return others->empty() ? std::string(kNoInputDefault) : others->front();
}

std::optional<std::string> ReplyEngine::PickDuetNoInputReply(const DuetLines& duet) {
  std::optional<std::vector<std::string>> lines = ReadDataLines(kNoFile);
  if (!lines) return std::nullopt;
  lines->push_back(kNoInputDefault);
  if (std::optional<std::string> reply = DrawFresh(*lines, duet, true)) return reply;
  return std::string(kNoInputDefault);
}
