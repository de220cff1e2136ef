// The learn and forget dialogs: their templates (136, 137, 138) as data, and the exchange
// of their fields with the controls.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "memory/forget_choice_dialog.h"
#include "memory/forget_keyword_dialog.h"
#include "memory/learn_dialog.h"
#include "res/resource.h"
#include "res/templates.h"
#include "testing/work_folder.h"

namespace {

using namespace testing_support;
using ui::ControlKind;
using ui::DialogTemplate;

struct Expected {
  int id;
  ControlKind kind;
  std::string text;
  ui::Rect rect;
  uint32_t style;
};

void ExpectTemplate(const DialogTemplate& t, const std::vector<Expected>& controls) {
  ASSERT_EQ(t.controls.size(), controls.size()) << t.id;
  for (size_t i = 0; i < controls.size(); ++i) {
    const ui::ControlTemplate& c = t.controls[i];
    const Expected& e = controls[i];
    EXPECT_EQ(c.id, e.id) << t.id << " #" << i;
    EXPECT_EQ(c.kind, e.kind) << t.id << " #" << i;
    EXPECT_EQ(c.text, e.text) << t.id << " #" << i;
    EXPECT_EQ(c.rect.x, e.rect.x) << t.id << " #" << i;
    EXPECT_EQ(c.rect.y, e.rect.y) << t.id << " #" << i;
    EXPECT_EQ(c.rect.cx, e.rect.cx) << t.id << " #" << i;
    EXPECT_EQ(c.rect.cy, e.rect.cy) << t.id << " #" << i;
    EXPECT_EQ(c.style, e.style) << t.id << " #" << i;
    EXPECT_TRUE(c.rect.x + c.rect.cx <= t.cx && c.rect.y + c.rect.cy <= t.cy) << t.id << " #" << i;
  }
  EXPECT_EQ(t.font, "ＭＳ Ｐゴシック");
  EXPECT_EQ(t.point_size, 9);
  EXPECT_EQ(t.menu, nullptr);
}

int FirstTabStop(const DialogTemplate& t) {
  for (const ui::ControlTemplate& c : t.controls)
    if (c.style & ui::kTabStop) return c.id;
  return 0;
}

constexpr uint32_t kLineEdit = ui::kBorder | ui::kAutoHScroll | ui::kTabStop;

TEST(MemoryTemplates, Learn) {
  const DialogTemplate& t = res::LearnTemplate();
  EXPECT_EQ(t.id, IDD_LEARN);
  EXPECT_EQ(t.caption, "覚えさせる言葉");
  EXPECT_EQ(t.cx, 171);
  EXPECT_EQ(t.cy, 101);
  EXPECT_EQ(t.style, ui::kDlgModalFrame | ui::kDlgCaption);  // no close box
  ExpectTemplate(
      t, {{ui::IDC_STATIC,
           ControlKind::kStatic,
           "言葉を覚えさせます。\n下のボックスにあなたの言葉とそれに対するRinuの応答を入力して"
           "ください。",
           {7, 7, 157, 24},
           0},
          {ui::IDC_STATIC, ControlKind::kStatic, "あなたの言葉(&Y)", {11, 38, 49, 8}, 0},
          {IDC_LEARN_WORDS, ControlKind::kEdit, "", {80, 38, 51, 12}, kLineEdit},
          {ui::IDC_STATIC, ControlKind::kStatic, "Rinuの応答(&H)", {11, 54, 38, 8}, 0},
          {IDC_LEARN_REPLY, ControlKind::kEdit, "", {80, 54, 51, 12}, kLineEdit},
          {ui::IDOK, ControlKind::kDefPushButton, "OK(&O)", {22, 71, 50, 14}, ui::kTabStop},
          {ui::IDCANCEL, ControlKind::kPushButton, "止める(&S)", {80, 71, 50, 14}, ui::kTabStop}});
  EXPECT_EQ(FirstTabStop(t), IDC_LEARN_WORDS);
}

TEST(MemoryTemplates, ForgetKeyword) {
  const DialogTemplate& t = res::ForgetKeywordTemplate();
  EXPECT_EQ(t.id, IDD_FORGET_KEYWORD);
  EXPECT_EQ(t.caption, "キーワードとなる言葉を入れてください。");
  EXPECT_EQ(t.cx, 157);
  EXPECT_EQ(t.cy, 93);
  EXPECT_EQ(t.style, ui::kDlgModalFrame | ui::kDlgCaption);  // no close box
  ExpectTemplate(
      t, {{ui::IDC_STATIC,
           ControlKind::kStatic,
           "言葉を忘れさせるキーワードとなる言葉を入れてください。",
           {7, 7, 143, 18},
           0},
          {IDC_FORGET_KEYWORD, ControlKind::kEdit, "", {17, 37, 124, 13}, kLineEdit},
          {ui::IDOK, ControlKind::kDefPushButton, "OK(&O)", {18, 65, 50, 14}, ui::kTabStop},
          {ui::IDCANCEL, ControlKind::kPushButton, "止める(&S)", {79, 65, 50, 14}, ui::kTabStop}});
  EXPECT_EQ(FirstTabStop(t), IDC_FORGET_KEYWORD);
}

TEST(MemoryTemplates, ForgetChoice) {
  const DialogTemplate& t = res::ForgetChoiceTemplate();
  EXPECT_EQ(t.id, IDD_FORGET_CHOICE);
  EXPECT_EQ(t.caption, "何番を忘れさせますか？");
  EXPECT_EQ(t.cx, 199);
  EXPECT_EQ(t.cy, 287);
  EXPECT_EQ(t.style, ui::kDlgModalFrame | ui::kDlgCaption | ui::kDlgSysMenu);
  ExpectTemplate(
      t,
      {{ui::IDC_STATIC,
        ControlKind::kStatic,
        "何番を忘れさせますか？選んでください。",
        {7, 7, 185, 15},
        ui::kCenter},
       {IDC_FORGET_NUMBER,
        ControlKind::kEdit,
        "",
        {26, 235, 29, 14},
        ui::kSunken | ui::kAutoHScroll | ui::kTabStop},
       {IDC_FORGET_LIST,
        ControlKind::kEdit,
        "",
        {17, 29, 157, 203},
        ui::kMultiline | ui::kReadOnly | ui::kVScroll | ui::kHScroll | ui::kWantReturn |
            ui::kTabStop},
       {ui::IDOK, ControlKind::kDefPushButton, "OK(&O)", {30, 253, 50, 14}, ui::kTabStop},
       {ui::IDCANCEL, ControlKind::kPushButton, "止める(&S)", {109, 253, 50, 14}, ui::kTabStop}});
  EXPECT_EQ(FirstTabStop(t), IDC_FORGET_NUMBER);
}

class MemoryDialogsTest : public WorkFolderTest {};

TEST_F(MemoryDialogsTest, FieldsGoInAtOpeningAndComeBackOnOk) {
  backend.When(IDD_LEARN,
               {Type(IDC_LEARN_WORDS, "ことば"), Type(IDC_LEARN_REPLY, "こたえ"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "きーわーど"), Press(ui::IDOK)});
  LearnDialog learn;
  learn.m_strYourWords = "before";
  EXPECT_EQ(learn.DoModal(), ui::IDOK);
  EXPECT_EQ(learn.m_strYourWords, "ことば");
  EXPECT_EQ(learn.m_strReply, "こたえ");
  EXPECT_EQ(backend.dialogs()[0].states[0].text.at(IDC_LEARN_WORDS), "before");
  ForgetKeywordDialog keyword;
  EXPECT_EQ(keyword.DoModal(), ui::IDOK);
  EXPECT_EQ(keyword.m_strKeyword, "きーわーど");
}

TEST_F(MemoryDialogsTest, NumberBoxTakesOnlyIntegersFromZeroTo9999999) {
  const struct {
    const char* typed;
    bool taken;
    int number;
  } cases[] = {
      {"0", true, 0},   {"9999999", true, 9999999}, {" 12 ", true, 12},
      {"-1", false, 0}, {"10000000", false, 0},     {"abc", false, 0},
      {"", false, 0},   {"1.5", false, 0},          {"99999999999", false, 0},
  };
  for (const auto& c : cases) {
    // A refused entry keeps the dialog open; the close box then ends it.
    std::vector<Step> steps = {Type(IDC_FORGET_NUMBER, c.typed), Press(ui::IDOK)};
    if (!c.taken) steps.push_back(Close());
    backend.When(IDD_FORGET_CHOICE, steps);
    ForgetChoiceDialog dialog;
    dialog.m_strList = "1 : a%+%b\r\n";
    size_t boxes = backend.boxes().size();
    int result = dialog.DoModal();
    const DialogRecord& record = backend.dialogs().back();
    EXPECT_EQ(record.states[0].text.at(IDC_FORGET_NUMBER), "0");
    EXPECT_EQ(record.states[0].text.at(IDC_FORGET_LIST), "1 : a%+%b\r\n");
    if (c.taken) {
      EXPECT_EQ(result, ui::IDOK) << c.typed;
      EXPECT_EQ(dialog.m_nNumber, c.number) << c.typed;
      EXPECT_EQ(backend.boxes().size(), boxes) << c.typed;
    } else {
      EXPECT_EQ(result, ui::IDCANCEL) << c.typed;
      EXPECT_EQ(backend.boxes().size(), boxes + 1) << c.typed;
      EXPECT_EQ(record.states.size(), 4u) << c.typed;
    }
  }
}

}  // namespace
