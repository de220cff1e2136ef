// Icons 128 (About dialog) and 131 (window icon, 16 to 256 pixels), compiled in from
// res/icons/*.png.
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
  // Every size a desktop asks for (title bar, task bar, Alt-Tab, docks, HiDPI screens).
  static const ui::IconResource icon{IDI_CHAT,
                                     {{16, 24, kPng_chat_16_24},
                                      {24, 32, kPng_chat_24_32},
                                      {32, 32, kPng_chat_32_32},
                                      {48, 32, kPng_chat_48_32},
                                      {64, 32, kPng_chat_64_32},
                                      {128, 32, kPng_chat_128_32},
                                      {256, 32, kPng_chat_256_32}}};
  return icon;
}

}  // namespace res
