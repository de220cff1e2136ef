// Shared by the Qt backend tests: the one backend their main makes for the whole run.
#pragma once

#include "ui/qt/qt_backend.h"

namespace ui::qt::test_support {

QtBackend& Backend();

}  // namespace ui::qt::test_support
