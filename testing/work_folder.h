// Test support: every test runs on a persona in a fresh temporary working folder, with a
// scripted backend, a scripted random source and a clock that can be fixed, so each outcome
// is exact. Helpers read and write the files of the test's folder as bytes, by bare name;
// the process's current folder is never changed.
#pragma once

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/clock.h"
#include "core/persona.h"
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

// The system's time, or what `*fixed` holds once a test points it at a time of its own.
class TestClock : public core::Clock {
 public:
  const std::time_t* fixed = nullptr;
  std::time_t Now() override { return fixed ? *fixed : std::time(nullptr); }
};

// A fresh temporary folder (removed by RemoveFolder).
std::string MakeTempFolder();
void RemoveFolder(const std::string& folder);

class WorkFolderTest : public ::testing::Test {
 protected:
  WorkFolderTest();
  ~WorkFolderTest() override;
  void SetUp() override {}
  void TearDown() override;

  ScriptedBackend backend;
  ScriptedRandom random;
  TestClock clock;
  std::string folder;
  core::Persona persona;  // on `folder`, with `random` and `clock`
};

// The running test's folder, for helpers outside the fixture.
core::Folder& TestFolder();
// `name` in the running test's folder, for calls that take a path.
std::string Path(const std::string& name);

// Files of the running test's folder, as bytes.
void WriteFile(const std::string& name, const std::string& bytes);
std::string ReadFile(const std::string& name);
bool Exists(const std::string& name);
void MakeReadOnly(const std::string& name);
// Lines in the stored form of the data files: each byte before the line end +3, CR LF.
std::string Stored(const std::vector<std::string>& plain_lines);
// What a text-mode stream delivers of `raw`: up to the first Ctrl-Z, each CR LF as LF.
std::string TextModeStream(const std::string& raw);
// The files of the running test's folder, sorted.
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
