// Entry point of the Qt backend tests: one QtBackend (and with it the QApplication) for the
// whole run, on Qt's offscreen platform so no display server is needed.
#include <gtest/gtest.h>

#include <cstdlib>

#include "ui/qt/qt_backend.h"
#include "ui/qt/qt_test_support.h"

namespace ui::qt::test_support {
namespace {
QtBackend* g_backend = nullptr;
}  // namespace

QtBackend& Backend() { return *g_backend; }

}  // namespace ui::qt::test_support

int main(int argc, char** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 1);  // no display server needed
  ui::qt::QtBackend backend(argc, argv);
  ui::qt::test_support::g_backend = &backend;
  ::testing::InitGoogleTest(&argc, argv);
  int status = RUN_ALL_TESTS();
  return status;
}
