// duet_quality: how well two personas made from the default data talk. 20 seeds of 200 lines
// each (as `rinu-duet A B --exchanges 200 --seed S`: A's random source seeded with S, B's
// with S + 1, A opening), on two fresh copies of data/. Prints the means over the seeds:
//   seeds=20 exchanges=200 distinct=D content_distinct=C puzzled_lines=Z nested_echoes=N
//   longest_run=R stored_pairs=P duplicate_pairs=U echo_pairs=E
// distinct: different lines said; content_distinct: those that are not the puzzled fallback
// 「『…』って言われてもわかんないじゃない！!!」; puzzled_lines: how many lines are one;
// nested_echoes: puzzled lines that quote a puzzled line; longest_run: the most times one
// line was said in a row; stored_pairs: records the two appended to their memory.dat;
// duplicate_pairs: of those, records the file already held; echo_pairs: records whose reply
// is their keyword. With an argument N it prints the duet of seed N instead.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "app/dialog_user.h"
#include "chat/duet.h"
#include "core/persona.h"
#include "core/record_format.h"
#include "core/text_codec.h"
#include "ui/backend.h"

namespace {

constexpr int kSeeds = 20;
constexpr int kExchanges = 200;
const std::string kPuzzledOpen = "『";
const std::string kPuzzledClose = "』って言われてもわかんないじゃない！!!";

class QuietBackend : public ui::Backend {
 public:
  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog&) override { return nullptr; }
  void MessageBox(const std::string& text) override {
    std::fprintf(stderr, "duet_quality: message box: %s\n", core::SjisToUtf8(text).text.c_str());
  }
  bool ShellOpen(const std::string&) override { return true; }
};

std::string Slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

// The lines of a stored file (its CR LF or LF taken off).
std::vector<std::string> Lines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::istringstream in(bytes);
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

bool Puzzled(const std::string& line) {
  return line.size() >= kPuzzledOpen.size() + kPuzzledClose.size() &&
         line.starts_with(kPuzzledOpen) && line.ends_with(kPuzzledClose);
}

struct Figures {
  double distinct = 0, content = 0, puzzled = 0, nested = 0, run = 0, stored = 0, duplicate = 0,
         echo = 0;
};

void MakePersona(const std::string& dir, const std::string& nick) {
  std::filesystem::create_directories(dir);
  for (const char* name : {"memory.dat", "boke.dat", "no.dat"})
    std::filesystem::copy_file(std::string(RINU_SOURCE_DIR) + "/data/" + name, dir + "/" + name);
  std::ofstream(dir + "/set.ini", std::ios::binary)
      << "YourName:You\r\nRinuName:" + nick + "\r\n2\r\n";
}

// Counts what one folder stored during the duet into `f`.
void CountPairs(const std::string& before, const std::string& after, Figures* f) {
  std::vector<std::string> held = Lines(before);
  std::set<std::string> known(held.begin(), held.end());
  for (const std::string& stored : Lines(after.substr(before.size()))) {
    ++f->stored;
    if (!known.insert(stored).second) ++f->duplicate;
    std::string plain = stored;
    ShiftLine(plain, ShiftRead);
    const size_t at = plain.find("%+%");
    if (at != std::string::npos && plain.substr(0, at) == plain.substr(at + 3)) ++f->echo;
  }
}

// One duet on fresh copies; its lines go to `said`.
bool RunDuet(const std::string& root, uint32_t seed, std::vector<std::string>* said, Figures* f) {
  std::filesystem::remove_all(root);
  MakePersona(root + "/a", "Mio");
  MakePersona(root + "/b", "Ren");
  const std::string memory_a = Slurp(root + "/a/memory.dat");
  const std::string memory_b = Slurp(root + "/b/memory.dat");
  QuietBackend backend;
  {
    core::Persona a(root + "/a", seed), b(root + "/b", seed + 1);
    DialogUser user(backend);
  chat::Duet duet(a, b, user);
    if (!duet.Open().empty() || !duet.Begin("")) return false;
    std::string speaker, line;
    while (static_cast<int>(said->size()) < kExchanges && duet.Step(&speaker, &line))
      said->push_back(line);
    duet.End();
    if (static_cast<int>(said->size()) != kExchanges) return false;
  }
  CountPairs(memory_a, Slurp(root + "/a/memory.dat"), f);
  CountPairs(memory_b, Slurp(root + "/b/memory.dat"), f);
  return true;
}

void Measure(const std::vector<std::string>& said, Figures* f) {
  std::set<std::string> distinct, content;
  int run = 0;
  for (size_t i = 0; i < said.size(); ++i) {
    distinct.insert(said[i]);
    if (Puzzled(said[i])) {
      ++f->puzzled;
      const std::string quoted = said[i].substr(
          kPuzzledOpen.size(), said[i].size() - kPuzzledOpen.size() - kPuzzledClose.size());
      if (Puzzled(quoted)) ++f->nested;
    } else {
      content.insert(said[i]);
    }
    run = i > 0 && said[i] == said[i - 1] ? run + 1 : 1;
    f->run = std::max(f->run, static_cast<double>(run));
  }
  f->distinct += distinct.size();
  f->content += content.size();
}

}  // namespace

int main(int argc, char** argv) {
  const std::string root = std::filesystem::temp_directory_path().string() + "/rinu-duet-quality";
  if (argc > 1) {
    std::vector<std::string> said;
    Figures f;
    if (!RunDuet(root, static_cast<uint32_t>(std::atoi(argv[1])), &said, &f)) return 1;
    for (size_t i = 0; i < said.size(); ++i)
      std::printf("%s> %s\n", i % 2 == 0 ? "Mio" : "Ren", core::SjisToUtf8(said[i]).text.c_str());
    std::filesystem::remove_all(root);
    return 0;
  }
  Figures sum;
  for (int seed = 1; seed <= kSeeds; ++seed) {
    std::vector<std::string> said;
    Figures one;
    if (!RunDuet(root, static_cast<uint32_t>(seed), &said, &one)) {
      std::fprintf(stderr, "duet_quality: the duet of seed %d did not run to its end\n", seed);
      return 1;
    }
    Measure(said, &one);
    sum.distinct += one.distinct;
    sum.content += one.content;
    sum.puzzled += one.puzzled;
    sum.nested += one.nested;
    sum.run += one.run;
    sum.stored += one.stored;
    sum.duplicate += one.duplicate;
    sum.echo += one.echo;
  }
  std::filesystem::remove_all(root);
  std::printf(
      "seeds=%d exchanges=%d distinct=%.1f content_distinct=%.1f puzzled_lines=%.1f "
      "nested_echoes=%.1f longest_run=%.1f stored_pairs=%.1f duplicate_pairs=%.1f "
      "echo_pairs=%.1f\n",
      kSeeds, kExchanges, sum.distinct / kSeeds, sum.content / kSeeds, sum.puzzled / kSeeds,
      sum.nested / kSeeds, sum.run / kSeeds, sum.stored / kSeeds, sum.duplicate / kSeeds,
      sum.echo / kSeeds);
  return 0;
}
