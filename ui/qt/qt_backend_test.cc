// The backend's own calls: message boxes, questions and opening a file with the desktop.
#include "ui/qt/qt_backend.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/qt/qt_test_support.h"

namespace ui::qt {
namespace {

using namespace test_support;

TEST(QtBackend, MessageBoxTextReachesTheUserAsUtf8) {
  BoxRecorder boxes;
  test_support::Backend().MessageBox(S(u8"一行目\n二行目"));
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0], reinterpret_cast<const char*>(u8"一行目\n二行目"));
}

TEST(QtBackend, ShellOpenReportsAFileThatIsNotThere) {
  // The tests run where nothing opens files (Qt's offscreen platform); what matters here is
  // that a missing file is reported, not handed on.
  EXPECT_FALSE(test_support::Backend().ShellOpen("no-such-help-page.html"));
}

TEST(QtBackend, ConfirmAsksOkOrCancel) {
  std::vector<std::string> asked;
  test_support::Backend().SetConfirmHook([&](const std::string& text) {
    asked.push_back(text);
    return asked.size() == 1;
  });
  EXPECT_TRUE(test_support::Backend().Confirm(S(u8"消しますか？")));
  EXPECT_FALSE(test_support::Backend().Confirm("2"));
  test_support::Backend().SetConfirmHook(nullptr);
  EXPECT_EQ(asked,
            (std::vector<std::string>{reinterpret_cast<const char*>(u8"消しますか？"), "2"}));
}

}  // namespace
}  // namespace ui::qt
