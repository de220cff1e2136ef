// book_bench: the memory book over a memory.dat of 1,000,000 records, in the real window on
// Qt's offscreen platform. In a temporary folder it writes memory.dat (the records of
// forget_bench: keywords of 1 to 8 katakana, replies of 5 to 40 kana and ASCII letters), then
// runs three rounds, each on the file as written:
//   open_ms    the book opened from nothing to its window shown with the list painted
//   filter_ms  one keystroke ("a") typed into the empty search field, to the list painted
//   delete_ms  100 records scattered over the file selected, 削除 pressed and the question
//              answered, to the list painted again (the rewrite, its fsync and the rename
//              and the file read back included)
//   copy_ms    memory.dat read whole into fresh memory and written whole to another file
//              (no fsync); the second line also gives the same copy into memory already used
// It prints the medians and the peak resident memory of the process while the book was open
// (the mark is reset after the file is written; the generator's memory is given back):
//   records=N open_ms=O filter_ms=F delete_ms=D copy_ms=C peak_rss_mb=M
// and a second line "# bytes=B ..." with the file size and the ratios. Before it prints, it
// checks that each delete left exactly the file without those 100 lines.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "core/record_format.h"
#include "app/memory_book_dialog.h"
#include "res/resource.h"
#include "ui/qt/qt_backend.h"

namespace {

// The bench's working folder; its files are named by bare name.
std::string g_dir;
std::string At(const std::string& name) { return g_dir + "/" + name; }

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 1000000;
constexpr int kRounds = 3;
constexpr int kDeleted = 100;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

std::string Char(int code) { return {static_cast<char>(code >> 8), static_cast<char>(code)}; }

// Writes memory.dat a block at a time, so the generator never holds the file.
size_t WriteMemory() {
  std::mt19937_64 rng(2024);
  std::vector<std::string> katakana, reply_chars;
  for (int c = 0x8340; c <= 0x8393; ++c)
    if (c != 0x837F) katakana.push_back(Char(c));
  for (int c = 0x829F; c <= 0x82F1; ++c) reply_chars.push_back(Char(c));
  for (char c = 'a'; c <= 'z'; ++c) reply_chars.push_back(std::string(1, c));
  auto pick = [&](const std::vector<std::string>& from) { return from[rng() % from.size()]; };
  std::ofstream out(At("memory.dat"), std::ios::binary | std::ios::trunc);
  std::string block, record;
  size_t bytes = 0;
  for (int i = 0; i < kRecords; ++i) {
    record.clear();
    for (int k = 1 + static_cast<int>(rng() % 8); k > 0; --k) record += pick(katakana);
    record += kRecordSeparator;
    for (int k = 5 + static_cast<int>(rng() % 36); k > 0; --k) record += pick(reply_chars);
    block += StoredLine(record);
    if (block.size() > (1 << 20) || i + 1 == kRecords) {
      out << block;
      bytes += block.size();
      block.clear();
    }
  }
  return out.good() ? bytes : 0;
}

std::string ReadWhole(const std::string& name) {
  std::ifstream in(name, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// One plain copy: memory.dat read whole into `bytes` and written whole to another file. With
// `bytes` empty the memory is fresh, as for any program that copies the file; given a buffer
// already in use, the copy shows what reading and writing alone cost.
double CopyOnce(std::string& bytes) {
  Clock::time_point start = Clock::now();
  int in = ::open(At("memory.dat").c_str(), O_RDONLY);
  struct stat st;
  if (in < 0 || ::fstat(in, &st) != 0) std::exit(2);
  bytes.resize(static_cast<size_t>(st.st_size));
  size_t got = 0;
  while (got < bytes.size()) {
    ssize_t n = ::read(in, bytes.data() + got, bytes.size() - got);
    if (n <= 0) break;
    got += static_cast<size_t>(n);
  }
  ::close(in);
  int out = ::open(At("copy.out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  size_t done = 0;
  while (out >= 0 && done < got) {
    ssize_t n = ::write(out, bytes.data() + done, got - done);
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  if (out < 0 || ::close(out) != 0 || done != got) std::exit(2);
  double ms = Ms(Clock::now() - start);
  ::unlink(At("copy.out").c_str());
  return ms;
}

long PeakRssKb() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::atol(line.c_str() + 6);
  }
  return -1;
}

struct Round {
  double open_ms = 0, filter_ms = 0, delete_ms = 0;
  std::vector<size_t> deleted_lines;  // 1-based, as the book numbered them
  bool ok = false;
};

// One round inside the book's modal loop: the keystroke, the selection, the delete.
void RunRound(MemoryBookDialog& book, Clock::time_point opened_at, Round& round) {
  auto* window = qobject_cast<QDialog*>(QApplication::activeModalWidget());
  auto* search = window ? window->findChild<QLineEdit*>(QString::number(IDC_BOOK_SEARCH)) : nullptr;
  auto* list = window ? window->findChild<QTableView*>(QString::number(IDC_BOOK_LIST)) : nullptr;
  auto* remove =
      window ? window->findChild<QPushButton*>(QString::number(IDC_BOOK_DELETE)) : nullptr;
  if (!search || !list || !remove) {
    std::fprintf(stderr, "book_bench: the book's controls were not found\n");
    std::exit(2);
  }
  list->viewport()->repaint();
  round.open_ms = Ms(Clock::now() - opened_at);
  if (book.book().ShownCount() != static_cast<size_t>(kRecords)) return;

  Clock::time_point start = Clock::now();
  QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QApplication::sendEvent(search, &press);
  list->viewport()->repaint();
  QApplication::processEvents();
  round.filter_ms = Ms(Clock::now() - start);
  const size_t shown = book.book().ShownCount();
  if (shown == 0 || shown == static_cast<size_t>(kRecords)) return;
  search->clear();  // every record again
  QApplication::processEvents();

  std::vector<size_t> rows;
  for (int i = 0; i < kDeleted; ++i) rows.push_back(i * (kRecords / kDeleted) + 37 * i);
  book.Window()->SetListSelection(IDC_BOOK_LIST, rows);
  for (size_t row : rows) round.deleted_lines.push_back(book.book().LineNumber(row));
  start = Clock::now();
  remove->click();
  list->viewport()->repaint();
  QApplication::processEvents();
  round.delete_ms = Ms(Clock::now() - start);
  round.ok = book.book().RecordCount() == static_cast<size_t>(kRecords - kDeleted);
  window->reject();
}

// The original file without the lines (1-based) named.
std::string Without(const std::string& file, std::vector<size_t> lines) {
  std::sort(lines.begin(), lines.end());
  std::string out;
  out.reserve(file.size());
  size_t line = 1, start = 0, next_cut = 0;
  while (start < file.size()) {
    size_t end = file.find('\n', start);
    end = end == std::string::npos ? file.size() : end + 1;
    if (next_cut < lines.size() && lines[next_cut] == line) {
      ++next_cut;
    } else {
      out.append(file, start, end - start);
    }
    start = end;
    ++line;
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  std::string folder = (fs::temp_directory_path() / "rinu-book-bench-XXXXXX").string();
  if (!mkdtemp(folder.data())) {
    std::perror("book_bench: temporary folder");
    return 2;
  }
  g_dir = folder;
  core::Folder work(folder);
  ui::qt::QtBackend backend(argc, argv);
  int boxes = 0;
  backend.SetMessageBoxHook([&](const std::string& text) {
    ++boxes;
    std::fprintf(stderr, "book_bench: message: %s\n", text.c_str());
  });
  backend.SetConfirmHook([](const std::string&) { return true; });

  std::vector<Round> rounds(kRounds);
  std::vector<double> copies, warm_copies;
  size_t bytes = 0;
  long peak_kb = 0;
  for (int r = 0; r < kRounds; ++r) {
    bytes = WriteMemory();
    if (bytes == 0) return 2;
    // From here on the mark counts the book, not the generator or the checks.
    std::ofstream("/proc/self/clear_refs") << "5";
    Round& round = rounds[r];
    Clock::time_point opened_at = Clock::now();
    {
      MemoryBookDialog book(work, backend);
      QTimer::singleShot(0, [&] { RunRound(book, opened_at, round); });
      book.DoModal();
    }
    peak_kb = std::max(peak_kb, PeakRssKb());
    std::string fresh;
    copies.push_back(CopyOnce(fresh));
    warm_copies.push_back(CopyOnce(fresh));
    // The check needs the file as it was written: after the measuring.
    std::string after = ReadWhole(At("memory.dat"));
    WriteMemory();
    if (!round.ok || after != Without(ReadWhole(At("memory.dat")), round.deleted_lines)) {
      std::fprintf(stderr, "book_bench: round %d did not delete exactly the 100 records\n", r);
      return 1;
    }
  }
  fs::remove_all(folder);
  if (boxes != 0) return 1;

  std::vector<double> open_ms, filter_ms, delete_ms;
  for (const Round& round : rounds) {
    open_ms.push_back(round.open_ms);
    filter_ms.push_back(round.filter_ms);
    delete_ms.push_back(round.delete_ms);
  }
  const double d = Median(delete_ms), c = Median(copies);
  const double peak_mb = static_cast<double>(peak_kb) / 1024;
  std::printf(
      "records=%d open_ms=%.1f filter_ms=%.1f delete_ms=%.1f copy_ms=%.1f peak_rss_mb=%.1f\n",
      kRecords, Median(open_ms), Median(filter_ms), d, c, peak_mb);
  std::printf(
      "# bytes=%zu file_mb=%.1f delete/copy=%.2f copy_reused_buffer_ms=%.1f peak/file=%.2f\n",
      bytes, static_cast<double>(bytes) / (1 << 20), d / c, Median(warm_copies),
      peak_mb / (static_cast<double>(bytes) / (1 << 20)));
  return 0;
}
