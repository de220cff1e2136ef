// Test support: every test runs in a fresh temporary working folder with a scripted backend
// and a scripted random source installed, so each outcome is exact. Helpers read and write
// the folder's files as bytes.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/random_source.h"
#include "testing/scripted_backend.h"

namespace testing_support {

// Gives the draws it was told, in order; a draw past the end fails the test.
class ScriptedRandom : public core::RandomSource {
 public:
  void Push(std::initializer_list<int> values) { m_values.insert(m_values.end(), values); }
  int Next() override;
  size_t left() const { return m_values.size(); }
  int taken() const { return m_taken; }

 private:
  std::deque<int> m_values;
  int m_taken = 0;
};

class WorkFolderTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  ScriptedBackend backend;
  ScriptedRandom random;
  std::string folder;

 private:
  std::string m_oldDir;
};

// Files of the current folder, as bytes.
void WriteFile(const std::string& name, const std::string& bytes);
std::string ReadFile(const std::string& name);
bool Exists(const std::string& name);
void MakeReadOnly(const std::string& name);
// Lines in the stored form of the data files: each byte before the line end +3, CR LF.
std::string Stored(const std::vector<std::string>& plain_lines);
// What a text-mode stream delivers of `raw`: up to the first Ctrl-Z, each CR LF as LF.
std::string TextModeStream(const std::string& raw);
// The files of the current folder, sorted.
std::vector<std::string> ListFolder();

// While alive, a write that would make any file larger than `max_bytes` fails, as on a full
// disk: the write stops part-way.
class ScopedFileSizeLimit {
 public:
  explicit ScopedFileSizeLimit(long max_bytes);
  ~ScopedFileSizeLimit();

 private:
  long m_oldSoft = 0;
};

}  // namespace testing_support
