// Checks of the dialog templates as data: ids, groups, tab stops, access keys and layout.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "res/templates.h"

namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;

// The access key of a caption ("&Y" gives 'Y'), or 0. "&" never occurs inside a
// double-byte character, so a byte scan is enough.
char AccessKey(const std::string& caption) {
  size_t at = caption.find('&');
  if (at == std::string::npos || at + 1 >= caption.size()) return 0;
  char c = caption[at + 1];
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool IsPushButton(ControlKind kind) {
  return kind == ControlKind::kPushButton || kind == ControlKind::kDefPushButton;
}

TEST(SetupTemplate, HasTheSetupDialogsFrame) {
  const DialogTemplate& t = res::SetupTemplate();
  EXPECT_EQ(t.id, IDD_SETUP);
  EXPECT_EQ(t.caption, "Rinu Setup");
  EXPECT_EQ(t.font, "ＭＳ ゴシック");
  EXPECT_EQ(t.point_size, 9);
  EXPECT_EQ(t.style, ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgModalFrame);
  EXPECT_EQ(t.menu, nullptr);
  EXPECT_EQ(t.controls.size(), 11u);
}

TEST(SetupTemplate, ControlIdsAreUniqueAndFindable) {
  const DialogTemplate& t = res::SetupTemplate();
  std::set<int> seen;
  for (const ControlTemplate& c : t.controls) {
    if (c.id == ui::IDC_STATIC) {
      EXPECT_TRUE(c.kind == ControlKind::kStatic) << c.text;
      continue;
    }
    EXPECT_TRUE(seen.insert(c.id).second) << "id " << c.id << " twice";
    EXPECT_EQ(t.Find(c.id), &c);
  }
  EXPECT_EQ(seen, (std::set<int>{IDC_SETUP_USER_NAME, IDC_SETUP_RINU_NAME, IDC_LOG_NONE,
                                 IDC_SETUP_LOG_HTML, IDC_SETUP_LOG_TEXT, IDC_LOG_GROUP, ui::IDOK}));
  // Esc and the close box are the only way out without OK.
  EXPECT_EQ(t.Find(ui::IDCANCEL), nullptr);
}

TEST(SetupTemplate, RadioGroupRunsFromNoLogToTextAndEndsAtTheGroupBox) {
  const auto& controls = res::SetupTemplate().controls;
  size_t first = 0;
  while (first < controls.size() && controls[first].id != IDC_LOG_NONE) ++first;
  ASSERT_LT(first, controls.size());
  EXPECT_TRUE(controls[first].style & ui::kGroup);
  std::vector<int> group = {controls[first].id};
  size_t i = first + 1;
  for (; i < controls.size() && !(controls[i].style & ui::kGroup); ++i) {
    EXPECT_EQ(controls[i].kind, ControlKind::kRadioButton) << controls[i].id;
    group.push_back(controls[i].id);
  }
  EXPECT_EQ(group, (std::vector<int>{IDC_LOG_NONE, IDC_SETUP_LOG_HTML, IDC_SETUP_LOG_TEXT}));
  ASSERT_LT(i, controls.size());
  EXPECT_EQ(controls[i].id, IDC_LOG_GROUP);
  EXPECT_EQ(controls[i].kind, ControlKind::kGroupBox);
  // The group box frames the three buttons.
  const ui::Rect& box = controls[i].rect;
  for (size_t r = first; r < i; ++r) {
    const ui::Rect& b = controls[r].rect;
    EXPECT_TRUE(b.x > box.x && b.y > box.y && b.x + b.cx < box.x + box.cx &&
                b.y + b.cy < box.y + box.cy)
        << controls[r].id;
  }
}

TEST(SetupTemplate, TabStopsFollowTheDefaultsAndStartAtTheUserName) {
  std::vector<int> stops;
  for (const ControlTemplate& c : res::SetupTemplate().controls) {
    bool expected = c.kind == ControlKind::kEdit || IsPushButton(c.kind) ||
                    (c.kind == ControlKind::kRadioButton && (c.style & ui::kGroup));
    EXPECT_EQ((c.style & ui::kTabStop) != 0, expected) << c.text << " " << c.id;
    if (c.style & ui::kTabStop) stops.push_back(c.id);
  }
  EXPECT_EQ(stops,
            (std::vector<int>{IDC_SETUP_USER_NAME, IDC_SETUP_RINU_NAME, IDC_LOG_NONE, ui::IDOK}));
}

TEST(SetupTemplate, OkIsTheOnlyDefaultButtonAndAccessKeysAreDistinct) {
  std::set<char> keys;
  int defaults = 0;
  for (const ControlTemplate& c : res::SetupTemplate().controls) {
    if (c.kind == ControlKind::kDefPushButton) {
      ++defaults;
      EXPECT_EQ(c.id, ui::IDOK);
    }
    if (char key = AccessKey(c.text)) {
      EXPECT_TRUE(keys.insert(key).second) << c.text;
    }
  }
  EXPECT_EQ(defaults, 1);
  EXPECT_EQ(keys, (std::set<char>{'Y', 'H', 'N', 'M', 'T', 'O'}));
}

TEST(SetupTemplate, EveryControlLiesInsideTheDialog) {
  const DialogTemplate& t = res::SetupTemplate();
  for (const ControlTemplate& c : t.controls) {
    const ui::Rect& r = c.rect;
    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.cx > 0 && r.cy > 0 && r.x + r.cx <= t.cx &&
                r.y + r.cy <= t.cy)
        << c.text << " at " << r.x << "," << r.y << " " << r.cx << "x" << r.cy;
  }
}

// What a PNG file's header says: width, height, bit depth and colour type.
struct PngHeader {
  int width = 0, height = 0, depth = 0, colour_type = -1;
};
PngHeader ReadPngHeader(const std::string& png) {
  PngHeader h;
  if (png.size() < 26 || png.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0 ||
      png.compare(12, 4, "IHDR") != 0) {
    return h;
  }
  auto u32 = [&](size_t at) {
    int v = 0;
    for (size_t i = 0; i < 4; ++i) v = (v << 8) | static_cast<unsigned char>(png[at + i]);
    return v;
  };
  h.width = u32(16);
  h.height = u32(20);
  h.depth = static_cast<unsigned char>(png[24]);
  h.colour_type = static_cast<unsigned char>(png[25]);
  return h;
}

TEST(Icons, EachImageIsThePngItClaimsToBe) {
  // Bits per pixel as the icon resource names them: 24 is RGB, 32 RGB with alpha, 8 and 4 a
  // palette of that depth.
  struct Case {
    const ui::IconResource* icon;
    int id;
    std::vector<std::pair<int, int>> sizes_and_bits;
  };
  const std::vector<Case> cases = {
      {&res::AboutIcon(), IDI_ABOUT, {{32, 24}, {32, 8}, {32, 4}, {16, 24}}},
      {&res::ChatIcon(),
       IDI_CHAT,
       {{16, 24}, {24, 32}, {32, 32}, {48, 32}, {64, 32}, {128, 32}, {256, 32}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.id);
    EXPECT_EQ(c.icon->id, c.id);
    std::vector<std::pair<int, int>> declared;
    for (const ui::IconImage& image : c.icon->images) {
      declared.emplace_back(image.size, image.bits_per_pixel);
      SCOPED_TRACE(std::to_string(image.size) + "/" + std::to_string(image.bits_per_pixel));
      PngHeader h = ReadPngHeader(image.png);
      EXPECT_EQ(h.width, image.size);
      EXPECT_EQ(h.height, image.size);
      switch (image.bits_per_pixel) {
        case 24:
          EXPECT_TRUE(h.colour_type == 2 && h.depth == 8);
          break;
        case 32:
          EXPECT_TRUE(h.colour_type == 6 && h.depth == 8);
          break;
        default:
          EXPECT_TRUE(h.colour_type == 3 && h.depth == image.bits_per_pixel);
      }
    }
    EXPECT_EQ(declared, c.sizes_and_bits);
  }
}

}  // namespace
