// duet_bench: how long two personas take to talk, each on a memory.dat of 10,000 records,
// with no pause between lines: 1,000 lines (exchanges), each a full turn of the replying
// persona (its set.ini read, its memory searched, a pair appended now and then, its log
// entry written). Prints
//   exchanges=N records=R duet_ms=T per_line_ms=P
// where T is the wall time from the start entries to the end entries. The target is under
// 2 s in all.
//
// The records' keywords and replies are drawn from one small vocabulary, so every reply from
// memory holds three words, each the keyword of about eight records of the other persona: once
// the first line (B's, of the same words) has started them, every line is found in memory,
// among some 25 candidates, as in a memory that was taught for a while. The bench checks that
// (at least 99% of the lines are replies from memory) before it prints.
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/dialog_user.h"
#include "chat/duet.h"
#include "core/persona.h"
#include "core/record_format.h"
#include "ui/backend.h"

namespace {

class BenchBackend : public ui::Backend {
 public:
  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog&) override { return nullptr; }
  void MessageBox(const std::string& text) override {
    ++boxes;
    std::fprintf(stderr, "duet_bench: message box: %s\n", text.c_str());
  }
  bool ShellOpen(const std::string&) override { return true; }
  int boxes = 0;
};

constexpr int kRecords = 10000;
constexpr int kExchanges = 1000;

std::vector<std::string> Vocabulary() {
  const char* syllables[] = {"か", "き", "く", "け", "こ", "さ", "し", "す", "せ", "そ",
                             "た", "ち", "つ", "て", "と", "な", "に", "ぬ", "ね", "の"};
  std::vector<std::string> words;
  for (const char* a : syllables)
    for (const char* b : syllables)
      for (const char* c : {"ん", "い", "う"}) words.push_back(std::string(a) + b + c);
  return words;  // 1,200 words of three characters
}

void MakeFolder(const std::string& dir, const std::string& nick, uint32_t seed) {
  std::filesystem::create_directories(dir);
  std::mt19937 rng(seed);
  const std::vector<std::string> words = Vocabulary();
  auto word = [&] { return words[rng() % words.size()]; };
  std::string memory;
  for (int i = 0; i < kRecords; ++i) {
    std::string reply = word() + "は" + word() + "で" + word() + "だよ";
    memory += StoredLine(word() + "%+%" + reply);
  }
  std::ofstream(dir + "/memory.dat", std::ios::binary) << memory;
  std::ofstream(dir + "/boke.dat", std::ios::binary)
      << StoredLine("そうなの") + StoredLine("ふーん");
  std::ofstream(dir + "/no.dat", std::ios::binary) << StoredLine("なあに？");
  std::ofstream(dir + "/set.ini", std::ios::binary)
      << "YourName:You\r\nRinuName:" + nick + "\r\n2\r\n";
}

}  // namespace

int main() {
  const std::string root = std::filesystem::temp_directory_path().string() + "/rinu-duet-bench";
  std::filesystem::remove_all(root);
  MakeFolder(root + "/a", "Mio", 1);
  MakeFolder(root + "/b", "Ren", 2);
  BenchBackend backend;
  core::Persona a(root + "/a", 7), b(root + "/b", 8);
  DialogUser user(backend);
  chat::Duet duet(a, b, user);
  if (!duet.Open().empty()) {
    std::fprintf(stderr, "duet_bench: the folders were refused\n");
    return 1;
  }
  auto start = std::chrono::steady_clock::now();
  const std::vector<std::string> words = Vocabulary();
  duet.Begin(words[0] + "は" + words[1] + "で" + words[2] + "だよ");
  int said = 0, from_memory = 0;
  std::string speaker, line;
  while (said < kExchanges && !duet.stopped() && duet.Step(&speaker, &line)) {
    ++said;
    from_memory += line.ends_with("だよ");
  }
  duet.End();
  double ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  std::printf("exchanges=%d records=%d duet_ms=%.0f per_line_ms=%.2f\n", said, kRecords, ms,
              ms / said);
  std::filesystem::remove_all(root);
  if (from_memory * 100 < said * 99) {
    std::fprintf(stderr, "duet_bench: only %d of %d lines came from memory\n", from_memory, said);
    return 1;
  }
  return said == kExchanges && backend.boxes == 0 ? 0 : 1;
}
