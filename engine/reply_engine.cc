#include "engine/reply_engine.h"

#include <algorithm>
#include <cstdint>

#include "core/memory_index.h"
#include "core/record_format.h"
#include "core/record_scan.h"
#include "core/text_file.h"
#include "memory/word_memory.h"
#include "res/links.h"
#include "res/strings.h"

namespace {

constexpr const char* kMemoryFile = "memory.dat";
constexpr const char* kBokeFile = "boke.dat";
constexpr const char* kNoFile = "no.dat";

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
  int (ReplyEngine::*act)(WordContext& word);
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
  WordMemory* memory;  // one for all teaching and forgetting words of the turn
  Turn* turn;          // for the words that answer the whole turn
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

ReplyEngine::ReplyEngine(core::Persona& persona, ui::Backend& backend, ConversationLog& log)
    : m_persona(persona), m_backend(backend), m_log(log) {}

ReplyEngine::~ReplyEngine() = default;

int ReplyEngine::CheckDataFiles() {
  bool missing = false;
  const struct {
    const char* name;
    const char* message;
  } files[] = {{kMemoryFile, kMissingMemory}, {kBokeFile, kMissingBoke}, {kNoFile, kMissingNo}};
  for (const auto& file : files) {
    if (!core::CanRead(m_persona.folder(), file.name)) {
      m_backend.MessageBox(file.message);
      missing = true;
    }
  }
  if (!missing) return 1;
  m_backend.MessageBox(kSupplyFiles);
  return 0;
}

void ReplyEngine::ReportUnreadableDataFile() {
  m_backend.MessageBox(std::string(kBadFileNameHead) + res::kSupportMail + kBadFileNameTail);
}

ReplyEngine::Turn ReplyEngine::MakeReply(std::string line, const SettingsStore& settings,
                                         Words words) {
  // The window's text is zero-terminated: nothing after a NUL belongs to the line.
  CutAtNul(line);
  Turn turn;
  WordStatus status = WordNone;
  const char* fixed_reply = nullptr;
  if (HandleChatWord(line, settings, words, &turn, &status, &fixed_reply)) return turn;

  if (m_pairPending) {
    m_pairPending = false;
    // A chat word that acted takes the place of the answer: the pair is dropped.
    if (status == WordNone) turn.write_failed = !AppendConversationPair(line);
  }
  if (fixed_reply) {
    turn.reply = fixed_reply;
    return turn;
  }
  int matched = SearchMemory(line);
  int coin = m_persona.Rand() % 2;
  if (matched > 0) {
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
                                 Words words, Turn* turn, WordStatus* status,
                                 const char** fixed_reply) {
  *status = WordNone;
  *fixed_reply = nullptr;
  // One WordMemory for the turn, once the line is known to be none of the words that answer
  // the whole turn.
  std::optional<WordMemory> memory;
  WordContext word{line, settings, nullptr, turn};
  for (const ChatWord& row : kChatWords) {
    if (words == Words::kEmptyLineOnly && row.act != &ReplyEngine::AnswerEmptyLine) continue;
    if (!row.answers_turn && !memory) {
      memory.emplace(m_persona, m_backend);
      word.memory = &*memory;
    }
    if (!row.recognised(line)) continue;
    const int result = (this->*row.act)(word);
    if (row.answers_turn) return true;
    if (!result && row.failed_box) m_backend.MessageBox(row.failed_box);
    *status = result ? row.done : row.failed;
    *fixed_reply = result ? row.done_reply : row.failed_reply;
    m_log.WriteNote(settings, result ? row.done_note : row.failed_note);
  }
  return false;
}

int ReplyEngine::SayGoodbye(WordContext& word) {
  m_log.WriteEndEntry(word.settings, res::kFarewell);
  word.turn->exit_status = 0;
  return 1;
}

int ReplyEngine::AnswerEmptyLine(WordContext& word) {
  std::optional<std::string> reply = PickNoInputReply();
  if (!reply) {
    word.turn->exit_status = 1;
    return 0;
  }
  word.turn->reply = std::move(*reply);
  return 1;
}

int ReplyEngine::LearnFromLine(WordContext& word) { return word.memory->LearnFromLine(word.line); }
int ReplyEngine::LearnByDialog(WordContext& word) { return word.memory->LearnByDialog(); }
int ReplyEngine::ForgetByDialog(WordContext& word) { return word.memory->ForgetByDialog(); }
int ReplyEngine::ForgetKeyword(WordContext& word) {
  return word.memory->ForgetKeyword(word.line.substr(2));
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
    m_backend.MessageBox(kErrorBox);
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
  m_backend.MessageBox(result == core::AppendResult::kBusy ? res::kFolderBusy : kMemoryNotWritable);
  return false;
}
