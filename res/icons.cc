// Icons 128 (About dialog) and 131 (window icon), compiled in from res/icons/*.png.
#include <string>

#include "res/resource.h"
#include "res/templates.h"

namespace res {
namespace {
#include "icon_data.inc"
}  // namespace

const ui::IconResource& AboutIcon() {
  static const ui::IconResource icon{IDI_ABOUT,
                                     {{32, 24, kPng_about_32_24},
                                      {32, 8, kPng_about_32_8},
                                      {32, 4, kPng_about_32_4},
                                      {16, 24, kPng_about_16_24}}};
  return icon;
}

const ui::IconResource& ChatIcon() {
  static const ui::IconResource icon{IDI_CHAT, {{16, 24, kPng_chat_16_24}}};
  return icon;
}

}  // namespace res
