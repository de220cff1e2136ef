#include "testing/work_folder.h"

#include <dirent.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace testing_support {

int ScriptedRandom::Next() {
  ++m_taken;
  if (m_values.empty()) {
    ADD_FAILURE() << "random draw " << m_taken << " was not scripted";
    return 0;
  }
  int v = m_values.front();
  m_values.pop_front();
  return v;
}

namespace {
// The folder of the running test, which the file helpers work in.
std::string g_testFolder;
core::Persona* g_testPersona = nullptr;
}  // namespace

core::Folder& TestFolder() { return g_testPersona->folder(); }

std::string MakeTempFolder() {
  std::string templ = std::filesystem::temp_directory_path().string() + "/rinu-test-XXXXXX";
  if (!mkdtemp(templ.data())) {
    ADD_FAILURE() << "cannot make a temporary folder";
    return "/nonexistent";
  }
  return templ;
}

void RemoveFolder(const std::string& folder) {
  std::error_code ec;
  // Give back write permission that a test took away, so the folder can be removed.
  for (auto& entry : std::filesystem::recursive_directory_iterator(folder, ec))
    chmod(entry.path().c_str(), 0755);
  chmod(folder.c_str(), 0755);
  std::filesystem::remove_all(folder, ec);
}

WorkFolderTest::WorkFolderTest() : folder(MakeTempFolder()), persona(folder, random, clock) {
  g_testFolder = folder;
  g_testPersona = &persona;
  ScriptedBackend::SetFolderOfFiles(folder);
}

WorkFolderTest::~WorkFolderTest() {
  g_testFolder.clear();
  g_testPersona = nullptr;
  ScriptedBackend::SetFolderOfFiles("");
}

std::string Path(const std::string& name) {
  return g_testFolder.empty() || name.starts_with('/') ? name : g_testFolder + "/" + name;
}

void WorkFolderTest::TearDown() {
  RemoveFolder(folder);
  for (const std::string& e : backend.errors()) ADD_FAILURE() << "script: " << e;
  EXPECT_EQ(backend.scripts_left(), 0u) << "scripted dialogs that never opened";
  EXPECT_EQ(backend.answers_left(), 0u) << "answers to questions that were never asked";
  EXPECT_EQ(random.left(), 0u) << "scripted random draws that were never taken";
}

void WriteFile(const std::string& name, const std::string& bytes) {
  std::ofstream out(Path(name), std::ios::binary | std::ios::trunc);
  out << bytes;
  ASSERT_TRUE(out.good()) << "cannot write " << name;
}

std::string ReadFile(const std::string& name) {
  std::ifstream in(Path(name), std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string TextModeStream(const std::string& raw) {
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\x1a') break;
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    out.push_back(raw[i]);
  }
  return out;
}

bool Exists(const std::string& name) {
  struct stat st;
  return stat(Path(name).c_str(), &st) == 0;
}

void MakeReadOnly(const std::string& name) { ASSERT_EQ(chmod(Path(name).c_str(), 0444), 0); }

std::string Stored(const std::vector<std::string>& plain_lines) {
  std::string out;
  for (const std::string& line : plain_lines) {
    for (char c : line) out.push_back(static_cast<char>(static_cast<unsigned char>(c) + 3));
    out += "\r\n";
  }
  return out;
}

std::vector<std::string> ListFolder() {
  std::vector<std::string> names;
  for (auto& entry : std::filesystem::directory_iterator(Path(".")))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

ScopedFileSizeLimit::ScopedFileSizeLimit(long max_bytes) {
  signal(SIGXFSZ, SIG_IGN);
  struct rlimit r;
  getrlimit(RLIMIT_FSIZE, &r);
  m_oldSoft = static_cast<long>(r.rlim_cur);
  r.rlim_cur = static_cast<rlim_t>(max_bytes);
  setrlimit(RLIMIT_FSIZE, &r);
}

ScopedFileSizeLimit::~ScopedFileSizeLimit() {
  struct rlimit r;
  getrlimit(RLIMIT_FSIZE, &r);
  r.rlim_cur = static_cast<rlim_t>(m_oldSoft);
  setrlimit(RLIMIT_FSIZE, &r);
}

}  // namespace testing_support
