// Entry point of the Qt backend tests: one QtBackend (and with it the QApplication) for the
// whole run, on Qt's offscreen platform so no display server is needed. The windows that grow
// remember themselves in a folder of the run's own (XDG_CONFIG_HOME), never in the user's
// ~/.config, and every test starts with nothing remembered.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_test_support.h"
#include "ui/qt/window_memory.h"

namespace ui::qt::test_support {
namespace {
QtBackend* g_backend = nullptr;
}  // namespace

QtBackend& Backend() { return *g_backend; }

namespace {

class ForgetWindowsBeforeEachTest : public ::testing::EmptyTestEventListener {
  void OnTestStart(const ::testing::TestInfo&) override {
    QFile::remove(g_backend->window_memory().file());
  }
};

}  // namespace
}  // namespace ui::qt::test_support

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);  // no display server needed
  std::string config = "/tmp/rinu-qt-test-XXXXXX";
  if (!mkdtemp(config.data())) {
    std::perror("qt_backend_test: mkdtemp");
    return 1;
  }
  setenv("XDG_CONFIG_HOME", config.c_str(), 1);
  int status = 0;
  {
    ui::qt::QtBackend backend(argc, argv);
    ui::qt::test_support::g_backend = &backend;
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(
        new ui::qt::test_support::ForgetWindowsBeforeEachTest);
    status = RUN_ALL_TESTS();
  }
  QDir(QString::fromStdString(config)).removeRecursively();
  return status;
}
