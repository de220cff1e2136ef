// MemoryBook on its own: a change that reached the file but could not be read back, and a
// change made on a file another program only appended to.
#include "memory/memory_book.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "testing/work_folder.h"

namespace {

using namespace testing_support;

// A change that reached the file but whose file could not be read back is reported as made
// (with the list not refreshed), and is not lost from the history.
TEST_F(WorkFolderTest, BookChangeMadeButNotReadBackSaysSo) {
  WriteFile("memory.dat", Stored({"a%+%1", "b%+%2"}));
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  bool renamed = false;
  persona.folder().SetFaultHook([&](core::Call call, const std::string&) {
    if (call == core::Call::kRename) renamed = true;
    return renamed && call == core::Call::kOpen ? EIO : 0;
  });
  MemoryBook::Outcome outcome = book.Delete({0});
  persona.folder().SetFaultHook(nullptr);
  EXPECT_EQ(outcome.result, MemoryBook::Result::kDone);
  EXPECT_NE(outcome.message.find("書き込みましたが"), std::string::npos);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"a%+%1"}));
}

// Lines another program added at the end meanwhile do not stop a book change, and survive it;
// any other change does.
TEST_F(WorkFolderTest, BookChangeOnAFileThatOnlyGrewKeepsTheNewLines) {
  WriteFile("memory.dat", Stored({"a%+%1", "b%+%2"}));
  MemoryBook book(persona.folder());
  ASSERT_EQ(book.Open().result, MemoryBook::Result::kDone);
  WriteFile("memory.dat", Stored({"a%+%1", "b%+%2", "c%+%3"}));
  EXPECT_EQ(book.Delete({0}).result, MemoryBook::Result::kDone);  // b, the newest it showed
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"a%+%1", "c%+%3"}));
  EXPECT_EQ(book.Undo().result, MemoryBook::Result::kDone);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"a%+%1", "b%+%2", "c%+%3"}));
  WriteFile("memory.dat", Stored({"x%+%1", "b%+%2", "c%+%3"}));
  EXPECT_EQ(book.Delete({0}).result, MemoryBook::Result::kChangedOnDisk);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"x%+%1", "b%+%2", "c%+%3"}));
}

}  // namespace
