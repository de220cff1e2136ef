#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "core/text_file.h"
#include "ui/backend.h"

namespace fuzz {
namespace {

constexpr std::string_view kSeparator = "\n@@\n";

std::string& FolderPath() {
  static std::string path;
  return path;
}

void RemoveFolder() {
  std::error_code ec;
  if (!FolderPath().empty()) std::filesystem::remove_all(FolderPath(), ec);
}

// Made on first use, in memory when /dev/shm is there (the targets write and sync files on
// every input), and removed when the process ends normally.
void EnterFolder() {
  if (!FolderPath().empty()) return;
  struct stat st;
  std::string base =
      stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) && access("/dev/shm", W_OK) == 0
          ? "/dev/shm"
          : std::filesystem::temp_directory_path().string();
  std::string templ = base + "/rinu-fuzz-XXXXXX";
  if (!mkdtemp(templ.data())) Fail("cannot make a working folder");
  FolderPath() = templ;
  std::atexit(RemoveFolder);
}

void EmptyFolder() {
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(FolderPath(), ec)) {
    std::filesystem::remove_all(entry.path(), ec);
  }
}

}  // namespace

Fields::Fields(const uint8_t* data, size_t size) {
  std::string_view rest(reinterpret_cast<const char*>(data), size);
  for (;;) {
    size_t cut = rest.find(kSeparator);
    m_fields.push_back(rest.substr(0, cut));
    if (cut == std::string_view::npos) break;
    rest.remove_prefix(cut + kSeparator.size());
  }
}

std::string_view Fields::operator[](size_t i) const {
  return i < m_fields.size() ? m_fields[i] : std::string_view();
}

int SmallNumber(std::string_view text) {
  int n = 0;
  for (size_t i = 0; i < text.size() && i < 4 && text[i] >= '0' && text[i] <= '9'; ++i) {
    n = n * 10 + (text[i] - '0');
  }
  return n;
}

int InputRandom::Next() {
  if (m_pos >= m_draws.size()) return 0;
  return static_cast<unsigned char>(m_draws[m_pos++]);
}

namespace {
core::Persona* g_persona = nullptr;
}  // namespace

core::Persona& CurrentPersona() {
  if (!g_persona) Fail("no run in progress");
  return *g_persona;
}

Run::Run(core::RandomSource* random)
    : m_backend(std::make_unique<testing_support::ScriptedBackend>()) {
  EnterFolder();
  EmptyFolder();
  m_persona = std::make_unique<core::Persona>(FolderPath(), random ? *random : m_standard, m_clock);
  g_persona = m_persona.get();
}

testing_support::ScriptedBackend& Run::FreshBackend() {
  m_backend = std::make_unique<testing_support::ScriptedBackend>();
  return *m_backend;
}

Run::~Run() { g_persona = nullptr; }

void WriteFile(const std::string& name, std::string_view bytes) {
  core::Folder& folder = CurrentPersona().folder();
  int fd = folder.Open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  bool ok = fd >= 0 && core::WriteAll(folder, fd, bytes);
  if (fd >= 0 && ::close(fd) != 0) ok = false;
  if (!ok) Fail("cannot write " + name);
}

std::string ReadFile(const std::string& name) {
  std::string bytes;
  int fd = CurrentPersona().folder().Open(name, O_RDONLY | O_CLOEXEC);
  if (fd < 0) return bytes;
  char buf[16384];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(buf, static_cast<size_t>(n));
  }
  ::close(fd);
  return bytes;
}

bool Exists(const std::string& name) {
  struct stat st;
  return CurrentPersona().folder().Stat(name, &st) == 0;
}

std::vector<std::string> ListFolder() {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(FolderPath(), ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

void Fail(const std::string& what) {
  std::fprintf(stderr, "\n*** property broken: %s\n", what.c_str());
  std::fflush(stderr);
  RemoveFolder();  // abort skips the exit handlers; the saved input tells all
  std::abort();
}

}  // namespace fuzz
