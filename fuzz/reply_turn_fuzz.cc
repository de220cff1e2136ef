// Whole reply turns (ReplyEngine in engine/) on any data files and any lines. Input fields,
// separated by "@@": the log mode (its first byte, a digit) and then the random draws (one
// byte each), memory.dat, boke.dat, no.dat, and then what the user types, in order: each
// turn's line, and after a line that opens dialogs what goes into them ("learn": the words
// and the reply; "forget": the keyword and the number; "f." and a keyword: the number). At
// most eight turns. Properties, for every turn: it returns (only "exit" ends the program,
// and it is not sent); a turn without a forget only adds whole CR LF lines to memory.dat
// (at most one record, with no line break inside it); boke.dat and no.dat stay as they
// were; no scratch file stays behind; in this folder, which can be written, no turn answers
// with the error reply; and the persona's index of memory.dat finds for the turn's line
// exactly the records a scan of the file finds.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "app/dialog_user.h"
#include "chat/conversation.h"
#include "core/memory_index.h"
#include "core/record_format.h"
#include "core/record_scan.h"
#include "engine/reply_engine.h"
#include "fuzz/fuzz_support.h"
#include "log/conversation_log.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "testing/scripted_backend.h"

namespace {

namespace ts = testing_support;

constexpr const char* kErrorReply = "システム::エラーが発生しました";
constexpr size_t kMaxTurns = 8;

// --- ReplyEngine, as this target uses it.
// The engine lives across the turns of one input, as the chat window's does; each turn loads
// set.ini once, as the window's turn does. Only "exit" may end the program.
std::string Turn(ui::Backend& backend, ReplyEngine& engine, const std::string& line) {
  DialogUser user(backend);
  SettingsStore settings(fuzz::CurrentPersona());
  if (!chat::LoadSettings(settings, user)) fuzz::Fail("set.ini could not be loaded");
  // The words that ask open the window's dialogs, answered from the input.
  chat::UserWords words(fuzz::CurrentPersona(), user);
  ReplyEngine::Turn turn = engine.MakeReply(line, settings, words);
  if (turn.ends()) {
    fuzz::Fail("a turn ended the program with status " + std::to_string(turn.exit_status));
  }
  return turn.reply;
}
// --- End of the engine's use.

// The line as the engine sees it: up to its first NUL.
std::string AsSent(std::string_view field) {
  return std::string(field.substr(0, field.find('\0')));
}

bool IsWord(const std::string& line, std::string_view word) {
  return line.size() == word.size() && FindNoCase(line.c_str(), std::string(word).c_str());
}
bool IsForget(const std::string& line) {
  return IsWord(line, "forget") || line.rfind("f.", 0) == 0;
}

// Queues what the user types into the dialogs `line` opens, taking fields from `next`.
void QueueDialogs(ts::ScriptedBackend& backend, const std::string& line, const fuzz::Fields& fields,
                  size_t* next) {
  auto take = [&] { return std::string(fields[(*next)++]); };
  auto choose = [&] {
    backend.When(IDD_FORGET_CHOICE,
                 {ts::Type(IDC_FORGET_NUMBER, std::to_string(fuzz::SmallNumber(take()))),
                  ts::Press(ui::IDOK)});
  };
  if (IsWord(line, "learn")) {
    std::string words = take();
    backend.When(IDD_LEARN, {ts::Type(IDC_LEARN_WORDS, words), ts::Type(IDC_LEARN_REPLY, take()),
                             ts::Press(ui::IDOK)});
  } else if (IsWord(line, "forget")) {
    backend.When(IDD_FORGET_KEYWORD, {ts::Type(IDC_FORGET_KEYWORD, take()), ts::Press(ui::IDOK)});
    choose();
  } else if (line.rfind("f.", 0) == 0) {
    choose();
  }
}

// `after` is `before` and whole CR LF lines: at most one line of text with no line break of
// its own, after a CR LF that ends a last line that had none.
void CheckOnlyAdded(const std::string& before, const std::string& after) {
  if (after.compare(0, before.size(), before) != 0 || after.size() < before.size()) {
    fuzz::Fail("memory.dat changed other than at its end");
  }
  std::string_view added = std::string_view(after).substr(before.size());
  if (added.empty()) return;
  if (!before.empty() && before.back() != '\n') {
    if (added.substr(0, 2) != "\r\n") fuzz::Fail("a record glued to the last line");
    added.remove_prefix(2);
  }
  if (added.size() < 2 || added.substr(added.size() - 2) != "\r\n" ||
      added.find('\n') != added.size() - 1) {
    fuzz::Fail("memory.dat gained something other than one CR LF line");
  }
}

void CheckIndexFindsWhatTheScanFinds(const std::string& line) {
  std::vector<std::string> by_index, by_scan;
  auto add = [](std::vector<std::string>* to, const core::RecordScan::Piece& piece) {
    to->push_back(std::string(piece.text) + (piece.line_end ? "\n" : ""));
  };
  const bool indexed = fuzz::CurrentPersona().memory_index().Find(
      line, [&](const core::RecordScan::Piece& piece) { add(&by_index, piece); });
  core::RecordScan scan(line, core::kReplySearchRules);
  const bool scanned = scan.Open(fuzz::CurrentPersona().folder(), "memory.dat");
  core::RecordScan::Piece piece;
  while (scanned && scan.NextMatch(&piece)) add(&by_scan, piece);
  if (indexed != scanned || by_index != by_scan) {
    fuzz::Fail("the index and the scan found different records");
  }
}

void CheckFolder() {
  static const std::vector<std::string> kKnown = {"boke.dat",   "log.html", "log.txt",
                                                  "memory.dat", "no.dat",   "set.ini"};
  for (const std::string& name : fuzz::ListFolder()) {
    if (std::find(kKnown.begin(), kKnown.end(), name) == kKnown.end()) {
      fuzz::Fail("a file stays behind: " + name);
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Fields fields(data, size);
  const std::string_view head = fields[0];
  fuzz::InputRandom random(head.empty() ? head : head.substr(1));
  fuzz::Run run(&random);
  const int log_mode = head.empty() ? 0 : static_cast<unsigned char>(head[0]) % 3;  // "0" is 0
  fuzz::WriteFile("set.ini",
                  "YourName:Taro\r\nRinuName:Hana\r\n" + std::to_string(log_mode) + "\r\n");
  fuzz::WriteFile("memory.dat", fields[1]);
  fuzz::WriteFile("boke.dat", fields[2]);
  fuzz::WriteFile("no.dat", fields[3]);
  const std::string boke(fields[2]);
  const std::string no(fields[3]);

  ConversationLog log(run.persona());
  ReplyEngine engine(run.persona(), log);
  if (!engine.CheckDataFiles().done()) fuzz::Fail("the data files were not found");
  size_t next = 4;
  for (size_t turn = 0; turn < kMaxTurns && next < fields.size(); ++turn) {
    const std::string line = AsSent(fields[next++]);
    if (line == "exit") continue;
    ts::ScriptedBackend& backend = run.FreshBackend();
    QueueDialogs(backend, line, fields, &next);
    const std::string before = fuzz::ReadFile("memory.dat");
    const std::string reply = Turn(run.ui(), engine, line);
    if (!IsForget(line)) CheckOnlyAdded(before, fuzz::ReadFile("memory.dat"));
    if (fuzz::ReadFile("boke.dat") != boke || fuzz::ReadFile("no.dat") != no) {
      fuzz::Fail("a turn changed boke.dat or no.dat");
    }
    CheckFolder();
    CheckIndexFindsWhatTheScanFinds(line);
    if (reply == kErrorReply) fuzz::Fail("the error reply in a folder that can be written");
  }
  return 0;
}
