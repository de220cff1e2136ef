// The learn and forget dialogs: what their templates (136, 137, 138) must give them, and the
// exchange of their fields with the controls.
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

int FirstTabStop(const DialogTemplate& t) {
  for (const ui::ControlTemplate& c : t.controls)
    if (c.style & ui::kTabStop) return c.id;
  return 0;
}

// What the dialogs rely on: the fields' edits, the focus at opening, OK and Cancel, every
// control inside the frame, and a close box only where it acts as Cancel.
TEST(MemoryTemplates, EditsFocusButtonsAndFrames) {
  const struct {
    const DialogTemplate& tmpl;
    int id;
    std::vector<int> edits;  // the first one has the focus
    bool close_box;
  } cases[] = {
      {res::LearnTemplate(), IDD_LEARN, {IDC_LEARN_WORDS, IDC_LEARN_REPLY}, false},
      {res::ForgetKeywordTemplate(), IDD_FORGET_KEYWORD, {IDC_FORGET_KEYWORD}, false},
      {res::ForgetChoiceTemplate(), IDD_FORGET_CHOICE, {IDC_FORGET_NUMBER, IDC_FORGET_LIST}, true},
  };
  for (const auto& c : cases) {
    const DialogTemplate& t = c.tmpl;
    EXPECT_EQ(t.id, c.id);
    EXPECT_EQ(t.font, "ＭＳ Ｐゴシック");
    const uint32_t close_box = c.close_box ? uint32_t{ui::kDlgSysMenu} : 0;
    EXPECT_EQ(t.style, ui::kDlgModalFrame | ui::kDlgCaption | close_box) << t.id;
    for (int edit : c.edits) {
      ASSERT_NE(t.Find(edit), nullptr) << t.id << ": " << edit;
      EXPECT_EQ(t.Find(edit)->kind, ControlKind::kEdit) << t.id << ": " << edit;
    }
    EXPECT_EQ(FirstTabStop(t), c.edits.front()) << t.id;
    ASSERT_NE(t.Find(ui::IDOK), nullptr);
    EXPECT_EQ(t.Find(ui::IDOK)->kind, ControlKind::kDefPushButton);
    EXPECT_EQ(t.Find(ui::IDOK)->text, "OK(&O)");
    ASSERT_NE(t.Find(ui::IDCANCEL), nullptr);
    EXPECT_EQ(t.Find(ui::IDCANCEL)->text, "止める(&S)");
    for (const ui::ControlTemplate& ctl : t.controls) {
      const ui::Rect& r = ctl.rect;
      EXPECT_TRUE(r.x >= 0 && r.y >= 0 && r.cx > 0 && r.cy > 0 && r.x + r.cx <= t.cx &&
                  r.y + r.cy <= t.cy)
          << t.id << ": " << ctl.text;
    }
  }
  // The list shows many lines and cannot be changed; the number box is one line.
  const DialogTemplate& choice = res::ForgetChoiceTemplate();
  const uint32_t list =
      ui::kMultiline | ui::kReadOnly | ui::kVScroll | ui::kHScroll | ui::kWantReturn;
  EXPECT_EQ(choice.Find(IDC_FORGET_LIST)->style & list, list);
  EXPECT_FALSE(choice.Find(IDC_FORGET_NUMBER)->style & (ui::kMultiline | ui::kReadOnly));
  EXPECT_EQ(choice.caption, "何番を忘れさせますか？");
  EXPECT_EQ(res::LearnTemplate().caption, "覚えさせる言葉");
  EXPECT_EQ(res::ForgetKeywordTemplate().caption, "キーワードとなる言葉を入れてください。");
}

class MemoryDialogsTest : public WorkFolderTest {};

TEST_F(MemoryDialogsTest, FieldsGoInAtOpeningAndComeBackOnOk) {
  backend.When(IDD_LEARN,
               {Type(IDC_LEARN_WORDS, "ことば"), Type(IDC_LEARN_REPLY, "こたえ"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "きーわーど"), Press(ui::IDOK)});
  LearnDialog learn(backend);
  learn.m_strYourWords = "before";
  EXPECT_EQ(learn.DoModal(), ui::IDOK);
  EXPECT_EQ(learn.m_strYourWords, "ことば");
  EXPECT_EQ(learn.m_strReply, "こたえ");
  EXPECT_EQ(backend.dialogs()[0].states[0].text.at(IDC_LEARN_WORDS), "before");
  ForgetKeywordDialog keyword(backend);
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
    ForgetChoiceDialog dialog(backend);
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
