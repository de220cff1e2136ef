#include "engine/reply_engine.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>

#include "core/record_format.h"
#include "core/record_scan.h"
#include "log/conversation_log.h"
#include "memory/word_memory.h"
#include "res/links.h"
#include "ui/backend.h"
#include "core/random_source.h"
#include "core/text_file.h"

namespace {

constexpr const char* kMemoryFile = "memory.dat";
constexpr const char* kBokeFile = "boke.dat";
constexpr const char* kNoFile = "no.dat";
constexpr const char* kCandidateFile = "save.temp";

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
constexpr const char* kFarewell = "ばいばーい";
constexpr const char* kLearnedNote = "言葉を覚えさせました！";
constexpr const char* kLearnFailedNote =
    "言葉を覚えさせようとしましたが、なんらかの原因で失敗しました。";
constexpr const char* kForgotNote = "言葉を忘れさせました！";
constexpr const char* kForgetFailedNote =
    "言葉を忘れさせようとしましたが、何らかの理由で忘れることが出来ませんでした。";
constexpr const char* kForgetFailedBox = "忘れさせるのに失敗しました。";

[[noreturn]] void ReportUnreadableDataFile() {
  ui::MessageBox(std::string(kBadFileNameHead) + res::kSupportMail + kBadFileNameTail);
  ui::Terminate(1);
}

}  // namespace

ReplyEngine::ReplyEngine() {
  bool missing = false;
  const struct {
    const char* name;
    const char* message;
  } files[] = {{kMemoryFile, kMissingMemory}, {kBokeFile, kMissingBoke}, {kNoFile, kMissingNo}};
  for (const auto& file : files) {
    if (!core::CanRead(file.name)) {
      ui::MessageBox(file.message);
      missing = true;
    }
  }
  if (missing) {
    ui::MessageBox(kSupplyFiles);
    ui::Terminate(1);
  }
}

ReplyEngine::~ReplyEngine() { CloseCandidates(); }

std::string ReplyEngine::MakeReply(std::string line) {
  // The window's text is zero-terminated: nothing after a NUL belongs to the line.
  CutAtNul(line);
  m_pairInput = line;
  m_input = line;
  if (HandleChatWord(line) == 1) return m_wordReply;
  return ReplyAfterChatWord();
}

char ReplyEngine::HandleChatWord(std::string line) {
  ConversationLog log;
  m_wordStatus = WordNone;
  const std::string text = line;
  if (text == "exit") {
    log.WriteEndEntry(kFarewell);
    ui::Terminate(0);
  }
  if (text.empty()) {
    m_wordReply = PickNoInputReply();
    return 1;
  }

  WordMemory memory;
  auto learned = [&](int result) {
    m_wordStatus = result ? WordLearned : WordLearnFailed;
    log.WriteNote(result ? kLearnedNote : kLearnFailedNote);
  };
  auto forgot = [&](int result) {
    if (!result) ui::MessageBox(kForgetFailedBox);
    m_wordStatus = result ? WordForgot : WordForgetFailed;
    log.WriteNote(result ? kForgotNote : kForgetFailedNote);
  };
  // Every test is made, whatever the earlier ones found; the status set last stands.
  if (text.find("===") != std::string::npos) learned(memory.LearnFromLine(text));
  if (text.size() == 5 && FindNoCase(text.c_str(), "learn")) learned(memory.LearnByDialog());
  if (text.size() == 6 && FindNoCase(text.c_str(), "forget")) forgot(memory.ForgetByDialog());
  if (text.rfind("f.", 0) == 0) forgot(memory.ForgetKeyword(text.substr(2)));
  return 0;
}

std::string ReplyEngine::ReplyAfterChatWord() {
  if (m_pairPending == 1) {
    m_pairPending = 0;
    // A chat word that acted takes the place of the answer: the pair is dropped.
    if (m_wordStatus == WordNone) AppendConversationPair();
  }
  switch (m_wordStatus) {
    case WordLearned:
      return kLearnedReply;
    case WordLearnFailed:
      return kLearnFailedReply;
    case WordForgot:
      return kForgotReply;
    case WordForgetFailed:
      return kForgetFailedReply;
    default:
      break;
  }
  int matched = SearchMemory(m_input);
  int coin = core::Rand() % 2;
  std::string reply = matched > 0 ? PickCandidateReply() : PickBokeReply();
  if (coin == 0) {
    m_pairPending = 1;
    m_rememberedReply = reply;
  }
  return reply;
}

std::string ReplyEngine::PickNoInputReply() {
  int32_t n = CountLines(kNoFile);
  int r = core::Rand() % (n + 1);
  if (r == 0) {
    m_work = kNoInputDefault;
  } else {
    m_work = ReadDataLine(kNoFile, r);
  }
  return m_work;
}

std::string ReplyEngine::PickBokeReply() {
  int32_t n = CountLines(kBokeFile);
  int r = core::Rand() % (n + 1);
  if (r == 0) {
    m_work = kEchoOpen + m_input + kEchoClose;
  } else {
    m_work = ReadDataLine(kBokeFile, r);
    SplitRecord(m_work, RecordReply);
  }
  return m_work;
}

std::string ReplyEngine::ReadDataLine(const char* file_name, int r) {
  core::TextReader reader;
  // The file was there a moment ago when its lines were counted.
  if (!reader.Open(file_name)) ReportUnreadableDataFile();
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
  // A save.temp left by a turn that never finished must not be drawn from. If it cannot be
  // deleted, it stays stale until this search writes it afresh.
  m_candidatesStale = ::unlink(kCandidateFile) != 0 && errno != ENOENT;
  core::RecordScan scan(line, core::kReplySearchRules);
  if (!scan.Open(kMemoryFile)) return 0;
  int matched = 0;
  core::RecordScan::Piece piece;
  std::string record;
  while (scan.NextMatch(&piece)) {
    record.clear();
    core::RecordScan::AppendPlain(piece, &record);
    if (m_candidates < 0 && !m_candidatesFailed) {
      m_candidates =
          ::open(kCandidateFile, O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0644);
      m_candidatesSize = 0;
      if (m_candidates < 0) {
        m_candidatesFailed = true;
      } else {
        m_candidatesStale = false;
      }
    }
    CollectCandidate(record.c_str());
    ++matched;
  }
  CloseCandidates();
  m_candidatesFailed = false;
  return matched;
}

void ReplyEngine::CollectCandidate(const char* record) {
  bool own = m_candidates < 0;
  if (own) {
    if (m_candidatesFailed) return;
    m_candidates = ::open(kCandidateFile, O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0644);
    if (m_candidates < 0) return;
    off_t size = ::lseek(m_candidates, 0, SEEK_END);
    m_candidatesSize = size < 0 ? 0 : size;
  }
  std::string line(record, std::strcspn(record, "\n"));
  line += "\r\n";
  if (!core::WriteAll(m_candidates, line)) {
    // A full disk: take back the part of the line that got in, and collect no more. A half
    // line that cannot be taken back would be drawn as a record: then none is drawn.
    bool taken_back = ::ftruncate(m_candidates, m_candidatesSize) == 0;
    m_candidatesFailed = true;
    CloseCandidates();
    if (!taken_back) core::RemoveFile(kCandidateFile);
    return;
  }
  m_candidatesSize += static_cast<int64_t>(line.size());
  if (own) CloseCandidates();
}

void ReplyEngine::CloseCandidates() {
  if (m_candidates >= 0) ::close(m_candidates);
  m_candidates = -1;
}

std::string ReplyEngine::PickCandidateReply() {
  // save.temp holds the records exactly as collected, so it is read back in whole lines
  // and a Ctrl-Z in a record is an ordinary byte.
  core::TextReader reader;
  core::TextReader::Piece piece;
  int32_t k = 0;
  if (!m_candidatesStale && reader.Open(kCandidateFile, /*ctrl_z_ends_file=*/false)) {
    while (reader.NextLine(&piece)) ++k;
  }
  if (k == 0) {
    // Not there, not this turn's, or empty because nothing could be written to it.
    if (!m_candidatesStale) core::RemoveFile(kCandidateFile);
    m_candidatesStale = false;
    ui::MessageBox(kErrorBox);
    return kErrorReply;
  }
  int r = core::Rand() % k + 1;
  std::string chosen;
  if (reader.Open(kCandidateFile, /*ctrl_z_ends_file=*/false)) {
    for (int i = 1; i <= r && reader.NextLine(&piece); ++i) {
      if (i == r) {
        chosen.assign(piece.text);
        if (piece.line_end) chosen.push_back('\n');
      }
    }
    reader.Close();
  }
  SplitRecord(chosen, RecordReply);
  core::RemoveFile(kCandidateFile);
  return chosen;
}

int32_t ReplyEngine::CountLines(const char* file_name) {
  core::TextReader reader;
  if (!reader.Open(file_name)) ReportUnreadableDataFile();
  int32_t count = 0;
  core::TextReader::Piece piece;
  while (reader.Next(kCountReadUnit, &piece)) ++count;
  return count;
}

void ReplyEngine::AppendConversationPair() {
  std::string record = m_rememberedReply;
  record += kRecordSeparator;
  record += m_pairInput;
  // Learning from the conversation happens unasked, so a pair that the file cannot hold
  // (it would read back as another record, or as none) is left out without a box.
  if (CheckStorable(record) != StoreProblem::kNone) return;
  if (core::AppendLine(kMemoryFile, StoredLine(record)) != core::AppendResult::kOk) {
    ui::MessageBox(kMemoryNotWritable);
  }
}

int ReplyEngine::IsCommentLine(std::string_view stored_line) const {
  return ::IsCommentLine(stored_line);
}
