// Checks of the settings (134) and About (100) templates as data, the string table and the
// version information.
#include <gtest/gtest.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "res/version.h"

namespace {

using ui::ControlKind;
using ui::ControlTemplate;
using ui::DialogTemplate;

std::vector<int> TabStops(const DialogTemplate& t) {
  std::vector<int> stops;
  for (const ControlTemplate& c : t.controls)
    if (c.style & ui::kTabStop) stops.push_back(c.id);
  return stops;
}

void ExpectInside(const DialogTemplate& t) {
  for (const ControlTemplate& c : t.controls) {
    const ui::Rect& r = c.rect;
    EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.cx > 0 && r.cy > 0 && r.x + r.cx <= t.cx &&
                r.y + r.cy <= t.cy)
        << t.id << ": " << c.text;
  }
}

TEST(SettingsTemplate, FrameAndControls) {
  const DialogTemplate& t = res::SettingsTemplate();
  EXPECT_EQ(t.id, IDD_SETTINGS);
  EXPECT_EQ(t.caption, "情報設定");
  EXPECT_EQ(t.font, "ＭＳ Ｐゴシック");
  EXPECT_EQ(t.point_size, 9);
  EXPECT_EQ(t.cx, 215);
  EXPECT_EQ(t.cy, 223);
  EXPECT_EQ(t.style, ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgModalFrame);
  EXPECT_EQ(t.menu, nullptr);
  ExpectInside(t);

  struct Expected {
    int id;
    ControlKind kind;
    const char* text;
  } expected[] = {
      {ui::IDC_STATIC, ControlKind::kStatic, "各種設定"},
      {ui::IDC_STATIC, ControlKind::kStatic, nullptr},
      {ui::IDC_STATIC, ControlKind::kStatic, "ユーザーの名前(&Y)"},
      {IDC_YOUR_NAME, ControlKind::kEdit, ""},
      {ui::IDC_STATIC, ControlKind::kStatic, "Rinuのニックネーム(&H)"},
      {IDC_NICKNAME, ControlKind::kEdit, ""},
      {IDC_LOG_NONE, ControlKind::kRadioButton, "LOGは書かない(&L)"},
      {IDC_LOG_HTML, ControlKind::kRadioButton, "HTML形式でLOGを書く(&M)"},
      {IDC_LOG_TEXT, ControlKind::kRadioButton, "TEXT形式でLOGを書く(&T)"},
      {IDC_LOG_GROUP, ControlKind::kGroupBox, "LOGモード"},
      {ui::IDOK, ControlKind::kDefPushButton, "OK(&O)"},
      {IDC_APPLY, ControlKind::kPushButton, "適用(&T)"},
      {ui::IDCANCEL, ControlKind::kPushButton, "ｷｬﾝｾﾙ(&K)"},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < t.controls.size(); ++i) {
    const ControlTemplate& c = t.controls[i];
    EXPECT_EQ(c.id, expected[i].id) << i;
    EXPECT_EQ(c.kind, expected[i].kind) << i;
    if (expected[i].text) {
      EXPECT_EQ(c.text, expected[i].text) << i;
    }
  }
  // Edits bordered and scrolling sideways; radios and the group box transparent.
  for (int id : {IDC_YOUR_NAME, IDC_NICKNAME})
    EXPECT_EQ(t.Find(id)->style & (ui::kBorder | ui::kAutoHScroll), ui::kBorder | ui::kAutoHScroll);
  for (int id : {IDC_LOG_NONE, IDC_LOG_HTML, IDC_LOG_TEXT, IDC_LOG_GROUP})
    EXPECT_TRUE(t.Find(id)->style & ui::kTransparent) << id;
  EXPECT_TRUE(t.controls[0].style & ui::kCenter);
}

TEST(SettingsTemplate, RadioGroupEndsAtTheGroupBoxWhichFramesIt) {
  const DialogTemplate& t = res::SettingsTemplate();
  EXPECT_TRUE(t.Find(IDC_LOG_NONE)->style & ui::kGroup);
  EXPECT_FALSE(t.Find(IDC_LOG_HTML)->style & ui::kGroup);
  EXPECT_FALSE(t.Find(IDC_LOG_TEXT)->style & ui::kGroup);
  EXPECT_TRUE(t.Find(IDC_LOG_GROUP)->style & ui::kGroup);
  const ui::Rect& box = t.Find(IDC_LOG_GROUP)->rect;
  // The two upper buttons reach past the box's right edge, which their short captions never
  // do; being transparent they draw nothing there.
  for (int id : {IDC_LOG_NONE, IDC_LOG_HTML, IDC_LOG_TEXT}) {
    const ui::Rect& b = t.Find(id)->rect;
    EXPECT_TRUE(b.x > box.x && b.y > box.y && b.y + b.cy < box.y + box.cy) << id;
  }
}

TEST(SettingsTemplate, ApplyIsLeftOutOfTheTabOrder) {
  const DialogTemplate& t = res::SettingsTemplate();
  EXPECT_EQ(TabStops(t),
            (std::vector<int>{IDC_YOUR_NAME, IDC_NICKNAME, IDC_LOG_NONE, ui::IDOK, ui::IDCANCEL}));
}

TEST(AboutTemplate, FrameAndControls) {
  const DialogTemplate& t = res::AboutTemplate();
  EXPECT_EQ(t.id, IDD_ABOUTBOX);
  EXPECT_EQ(t.caption, "Rinuのバージョン情報");
  EXPECT_EQ(t.font, "ＭＳ Ｐゴシック");
  EXPECT_EQ(t.cx, 235);
  EXPECT_EQ(t.cy, 55);
  EXPECT_EQ(t.style, ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgModalFrame);
  ExpectInside(t);
  ASSERT_EQ(t.controls.size(), 4u);
  EXPECT_EQ(t.controls[0].kind, ControlKind::kIcon);
  EXPECT_EQ(t.controls[0].icon, &res::AboutIcon());
  EXPECT_EQ(t.controls[1].text, "Rinu++ version 1.00");
  EXPECT_TRUE(t.controls[1].style & ui::kNoPrefix);
  EXPECT_EQ(t.controls[2].kind, ControlKind::kStatic);
  EXPECT_FALSE(t.controls[2].text.empty());
  EXPECT_EQ(t.controls[3].id, ui::IDOK);
  EXPECT_EQ(t.controls[3].kind, ControlKind::kDefPushButton);
  EXPECT_EQ(TabStops(t), std::vector<int>{ui::IDOK});
  // The icon control shows the 32-pixel images.
  EXPECT_EQ(res::AboutIcon().id, IDI_ABOUT);
}

TEST(StringTable, HoldsTheAboutEntryAndNothingForOtherIds) {
  EXPECT_EQ(res::LoadString(IDS_ABOUTBOX), "Rinu++ のﾊﾞｰｼﾞｮﾝ情報(&A)...");
  // Half-width katakana: one byte each in the program's code page.
  EXPECT_NE(res::LoadString(IDS_ABOUTBOX).find("\xCA\xDE\xB0\xBC\xDE\xAE\xDD"), std::string::npos);
  EXPECT_EQ(res::LoadString(0), "");
  EXPECT_EQ(res::LoadString(IDD_ABOUTBOX), "");
}

TEST(VersionInformation, VersionStringsAgreeWithTheNumbers) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%d, %d, %d, %d", res::kFileVersion[0], res::kFileVersion[1],
                res::kFileVersion[2], res::kFileVersion[3]);
  EXPECT_EQ(std::string(buf), res::kVersionString);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(res::kFileVersion[i], res::kProductVersion[i]);
  // The About dialog shows the same version.
  std::snprintf(buf, sizeof buf, "Rinu++ver%d.%02d", res::kFileVersion[0], res::kFileVersion[1]);
  EXPECT_EQ(std::string(buf), res::kFileDescription);
  std::snprintf(buf, sizeof buf, "Rinu++ version %d.%02d", res::kFileVersion[0],
                res::kFileVersion[1]);
  EXPECT_EQ(res::AboutTemplate().controls[1].text, buf);
}

}  // namespace
