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
  EXPECT_EQ(t.style, ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgModalFrame);
  EXPECT_EQ(t.menu, nullptr);
  ExpectInside(t);

  // Ids and kinds in template order; the captions are the template's own data.
  struct Expected {
    int id;
    ControlKind kind;
  } expected[] = {
      {ui::IDC_STATIC, ControlKind::kStatic},    {ui::IDC_STATIC, ControlKind::kStatic},
      {ui::IDC_STATIC, ControlKind::kStatic},    {IDC_YOUR_NAME, ControlKind::kEdit},
      {ui::IDC_STATIC, ControlKind::kStatic},    {IDC_NICKNAME, ControlKind::kEdit},
      {IDC_LOG_NONE, ControlKind::kRadioButton}, {IDC_LOG_HTML, ControlKind::kRadioButton},
      {IDC_LOG_TEXT, ControlKind::kRadioButton}, {IDC_LOG_GROUP, ControlKind::kGroupBox},
      {ui::IDOK, ControlKind::kDefPushButton},   {IDC_APPLY, ControlKind::kPushButton},
      {ui::IDCANCEL, ControlKind::kPushButton},
  };
  ASSERT_EQ(t.controls.size(), std::size(expected));
  for (size_t i = 0; i < t.controls.size(); ++i) {
    EXPECT_EQ(t.controls[i].id, expected[i].id) << i;
    EXPECT_EQ(t.controls[i].kind, expected[i].kind) << i;
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
  EXPECT_EQ(t.style, ui::kDlgCaption | ui::kDlgSysMenu | ui::kDlgModalFrame);
  ExpectInside(t);
  ASSERT_EQ(t.controls.size(), 4u);
  EXPECT_EQ(t.controls[0].kind, ControlKind::kIcon);
  EXPECT_EQ(t.controls[0].icon, &res::AboutIcon());
  EXPECT_TRUE(t.controls[1].style & ui::kNoPrefix);
  EXPECT_EQ(t.controls[2].kind, ControlKind::kStatic);
  EXPECT_FALSE(t.controls[2].text.empty());
  EXPECT_EQ(t.controls[3].id, ui::IDOK);
  EXPECT_EQ(t.controls[3].kind, ControlKind::kDefPushButton);
  EXPECT_EQ(TabStops(t), std::vector<int>{ui::IDOK});
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
