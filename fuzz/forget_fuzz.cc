// The forget listing and rewrite (WordMemory in memory/) on any memory.dat. Input fields,
// separated by "@@": the keyword, the number typed into the choice dialog (decimal), the
// bytes of memory.dat. Properties: memory.dat either stays byte for byte as it was, or loses
// exactly one whole line (up to and with its line break, or up to the end of its text) and
// nothing else; that line holds the chosen entry of the listing, every other entry stays;
// the forget says it was done exactly when the file changed, or says why not; no temporary
// file stays behind.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "core/record_scan.h"
#include "fuzz/fuzz_support.h"
#include "memory/word_memory.h"

namespace {


// --- WordMemory, as this target uses it.
// "f." + keyword: lists the records `keyword` calls up and forgets the one numbered `number`.
// 1 when the forget says it was done; what it said goes to `told`.
int Forget(std::string_view keyword, int number, std::vector<std::string>* told) {
  WordMemory memory(fuzz::CurrentPersona());
  core::Outcome outcome = memory.List(std::string(keyword));
  if (outcome.done()) outcome = memory.ForgetChosen(number);
  *told = outcome.messages;
  return outcome.done() ? 1 : 0;
}

// How many entries the listing of `keyword` has for the file `path`.
int CountListed(const std::string& path, std::string_view keyword) {
  core::RecordScan scan(keyword, core::kForgetRules);
  if (!scan.Open(fuzz::CurrentPersona().folder(), path)) return 0;
  int count = 0;
  core::RecordScan::Piece piece;
  while (scan.NextMatch(&piece)) ++count;
  return count;
}
// --- End of the memory's use.

int CountListedIn(std::string_view bytes, std::string_view keyword) {
  fuzz::WriteFile("count.dat", bytes);
  int count = CountListed("count.dat", keyword);
  fuzz::CurrentPersona().folder().Unlink("count.dat");
  return count;
}

// Where `after` is `before` less one whole line: the line's offset, or npos.
size_t RemovedLine(const std::string& before, const std::string& after) {
  if (after.size() >= before.size()) return std::string::npos;
  const size_t k = before.size() - after.size();
  size_t p = 0;
  while (p < after.size() && before[p] == after[p]) ++p;
  // The line start at or before the first difference; any valid cut at or before it gives
  // the same file, so it is valid when any is.
  const size_t q = p == 0 ? 0 : before.rfind('\n', p - 1) + 1;
  if (before.compare(0, q, after, 0, q) != 0 ||
      before.compare(q + k, std::string::npos, after, q) != 0) {
    return std::string::npos;
  }
  const std::string_view line = std::string_view(before).substr(q, k);
  const size_t text_end = std::min(before.find('\x1a'), before.size());
  const size_t lf = line.find('\n');
  const bool whole = lf == k - 1 || (lf == std::string_view::npos && q + k == text_end);
  return whole && q + k <= text_end ? q : std::string::npos;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Fields fields(data, size);
  fuzz::Run run;
  const std::string_view keyword = fields[0];
  const int number = fuzz::SmallNumber(fields[1]);
  const std::string before(fields[2]);
  fuzz::WriteFile("memory.dat", before);
  const int listed = CountListed("memory.dat", keyword);

  std::vector<std::string> told;
  const int result = Forget(keyword, number, &told);
  const std::string after = fuzz::ReadFile("memory.dat");
  if (fuzz::ListFolder() != std::vector<std::string>{"memory.dat"}) {
    fuzz::Fail("files left beside memory.dat");
  }
  if (after == before) {
    if (result == 1 && told.empty()) fuzz::Fail("forgot, but nothing changed");
    return 0;
  }
  if (result != 1) fuzz::Fail("memory.dat changed, but the forget says it was not done");
  const size_t q = RemovedLine(before, after);
  if (q == std::string::npos) fuzz::Fail("memory.dat changed by more than one whole line");
  const std::string line = before.substr(q, before.size() - after.size());
  // Copies of the line right before it: removing any of them gives the same file.
  size_t first = q;
  while (first >= line.size() && before.compare(first - line.size(), line.size(), line) == 0 &&
         (first == line.size() || before[first - line.size() - 1] == '\n')) {
    first -= line.size();
  }
  const int listed_line = CountListedIn(line, keyword);
  if (number <= CountListedIn(before.substr(0, first), keyword) ||
      number > CountListedIn(before.substr(0, q), keyword) + listed_line) {
    fuzz::Fail("the removed line does not hold entry " + std::to_string(number));
  }
  if (CountListed("memory.dat", keyword) != listed - listed_line) {
    fuzz::Fail("entries other than the removed line's changed");
  }
  return 0;
}
