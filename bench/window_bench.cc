// Benchmark of the real chat window on Qt's offscreen platform.
//   turns=N turn_ms=T   median time of a turn (send pressed -> transcript shown and painted)
//                       after N earlier turns, for N = 0, 1,000 and 10,000
//   startup_ms=S        median time from process start to the chat window shown, over warm
//                       runs of a child process
// The working folder is a temporary one with the default data files of data/.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTimer>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "app/chat_dialog.h"
#include "ui/qt/qt_backend.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double Ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// A fresh working folder: the default data files and a set.ini with a text log.
std::string MakeFolder() {
  std::string dir = (fs::temp_directory_path() / "rinu-window-bench-XXXXXX").string();
  if (!mkdtemp(dir.data())) std::exit(2);
  for (const char* f : {"memory.dat", "boke.dat", "no.dat"})
    fs::copy_file(fs::path(RINU_SOURCE_DIR) / "data" / f, fs::path(dir) / f);
  std::ofstream(fs::path(dir) / "set.ini", std::ios::binary)
      << "YourName:Taro\r\nRinuName:Mio\r\n2\r\n";
  return dir;
}

QDialog* ChatWindow() { return qobject_cast<QDialog*>(QApplication::activeModalWidget()); }

// Runs inside the chat window's modal loop: the turns, then quit.
void RunTurns() {
  QDialog* w = ChatWindow();
  auto* input = w->findChild<QLineEdit*>("1001");
  auto* send = w->findChild<QPushButton*>("1");
  auto* transcript = w->findChild<QPlainTextEdit*>("1000");
  if (!input || !send || !transcript) {
    std::fprintf(stderr, "window_bench: chat window controls not found\n");
    std::exit(2);
  }
  const char8_t* lines[] = {u8"おはよう", u8"今日は雨だね", u8"hello there", u8"ごはん食べた？",
                            u8"",         u8"眠いなあ",     u8"ありがとう",  u8"週末は何してた？"};
  const int checkpoints[] = {0, 1000, 10000};
  const int measured = 21;
  int done = 0;
  for (int checkpoint : checkpoints) {
    for (; done < checkpoint; ++done) {
      input->setText(QString::fromUtf8(lines[done % 8]));
      send->click();
    }
    QApplication::processEvents();
    std::vector<double> times;
    for (int i = 0; i < measured; ++i, ++done) {
      input->setText(QString::fromUtf8(lines[done % 8]));
      Clock::time_point start = Clock::now();
      send->click();
      transcript->viewport()->repaint();
      QApplication::processEvents();
      times.push_back(Ms(Clock::now() - start));
    }
    std::printf("turns=%d turn_ms=%.2f\n", checkpoint, Median(times));
    std::fflush(stdout);
  }
  w->reject();
}

int ChildStartup(int argc, char** argv, const char* folder) {
  ui::qt::QtBackend backend(argc, argv);
  core::Persona persona(folder);
  ChatDialog dialog(persona, backend);
  if (!dialog.Start()) return 2;
  QTimer::singleShot(0, [] {
    // The window is shown once its modal loop runs.
    std::printf("shown\n");
    std::fflush(stdout);
    ChatWindow()->reject();
  });
  dialog.DoModal();
  return 0;
}

double StartupOnce(const char* self, const std::string& folder) {
  int out[2];
  if (pipe(out) != 0) std::exit(2);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  const char* args[] = {self, "--startup-child", folder.c_str(), nullptr};
  pid_t pid;
  Clock::time_point start = Clock::now();
  if (posix_spawn(&pid, self, &actions, nullptr, const_cast<char**>(args), environ) != 0) {
    std::fprintf(stderr, "window_bench: cannot start %s\n", self);
    std::exit(2);
  }
  close(out[1]);
  char buf[16];
  ssize_t n = read(out[0], buf, sizeof buf);
  double ms = Ms(Clock::now() - start);
  close(out[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  if (n <= 0) {
    std::fprintf(stderr, "window_bench: the child never showed its window\n");
    std::exit(2);
  }
  return ms;
}

}  // namespace

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  if (argc >= 3 && std::string(argv[1]) == "--startup-child")
    return ChildStartup(argc, argv, argv[2]);

  std::string folder = MakeFolder();
  {
    ui::qt::QtBackend backend(argc, argv);
    backend.SetMessageBoxHook([](const std::string& text) {
      std::fprintf(stderr, "window_bench: unexpected message: %s\n", text.c_str());
    });
    core::Persona persona(folder);
    ChatDialog dialog(persona, backend);
    if (!dialog.Start()) return 2;
    QTimer::singleShot(0, RunTurns);
    dialog.DoModal();
  }

  std::string startup_folder = MakeFolder();
  std::vector<double> runs;
  std::string self = fs::read_symlink("/proc/self/exe").string();
  StartupOnce(self.c_str(), startup_folder);  // cold: fonts and libraries into the cache
  for (int i = 0; i < 7; ++i) runs.push_back(StartupOnce(self.c_str(), startup_folder));
  std::printf("startup_ms=%.1f\n", Median(runs));
  fs::remove_all(folder);
  fs::remove_all(startup_folder);
  return 0;
}
