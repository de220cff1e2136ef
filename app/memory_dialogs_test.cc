// The learn and forget dialogs: what their templates (136, 137, 138) must give them, the
// exchange of their fields with the controls, and teaching and forgetting through them as the
// chat words and the menu do (chat::UserWords on the window's dialogs).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/forget_choice_dialog.h"
#include "app/forget_keyword_dialog.h"
#include "app/dialog_user.h"
#include "app/learn_dialog.h"
#include "chat/conversation.h"
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

const std::string kNothingToForget = "その言葉に対する忘れる言葉はありませんでした。";
using Strings = std::vector<std::string>;

class MemoryDialogsTest : public WorkFolderTest {
 protected:
  // What a word had to say, shown as the window shows it; 1 when it was done.
  int Shown(const core::Outcome& outcome) {
    user.Tell(outcome);
    return outcome.done() ? 1 : 0;
  }
  DialogUser user{backend};
  chat::UserWords words{persona, user};
};

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

TEST_F(MemoryDialogsTest, LearnDialogOkStoresTheTwoFieldsCancelStoresNothing) {
  backend.When(IDD_LEARN, {Type(IDC_LEARN_WORDS, "りんご"), Type(IDC_LEARN_REPLY, "赤い果物"),
                           Press(ui::IDOK)});
  backend.When(IDD_LEARN, {Press(ui::IDOK)});
  backend.When(IDD_LEARN, {Type(IDC_LEARN_WORDS, "x"), Press(ui::IDCANCEL)});
  backend.When(IDD_LEARN, {Type(IDC_LEARN_WORDS, "y"), Close()});
  EXPECT_EQ(Shown(words.LearnByDialog()), 1);
  EXPECT_EQ(Shown(words.LearnByDialog()), 1);  // both empty: the separator alone
  EXPECT_EQ(Shown(words.LearnByDialog()), 0);
  EXPECT_EQ(Shown(words.LearnByDialog()), 0);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"りんご%+%赤い果物", "%+%"}));
  const DialogRecord& first = backend.dialogs()[0];
  EXPECT_EQ(first.focus, IDC_LEARN_WORDS);
  EXPECT_EQ(first.states[0].text.at(IDC_LEARN_WORDS), "");
  EXPECT_EQ(first.states[0].text.at(IDC_LEARN_REPLY), "");
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}


TEST_F(MemoryDialogsTest, CancelWithoutAFileCreatesNone) {
  backend.When(IDD_LEARN, {Close()});
  EXPECT_EQ(Shown(words.LearnByDialog()), 0);
  EXPECT_TRUE(ListFolder().empty());
}


TEST_F(MemoryDialogsTest, NumberBoxRefusesWhatIsNoNumberFromZeroTo9999999AndStaysOpen) {
  WriteFile("memory.dat", Stored({"hi%+%yo", "hi%+%hey"}));
  backend.When(IDD_FORGET_CHOICE,
               {Type(IDC_FORGET_NUMBER, "-1"), Press(ui::IDOK), Type(IDC_FORGET_NUMBER, "abc"),
                Press(ui::IDOK), Type(IDC_FORGET_NUMBER, "10000000"), Press(ui::IDOK),
                Type(IDC_FORGET_NUMBER, ""), Press(ui::IDOK), Type(IDC_FORGET_NUMBER, "2"),
                Press(ui::IDOK)});
  EXPECT_EQ(Shown(words.ForgetKeyword("hi")), 1);
  EXPECT_EQ(backend.boxes().size(), 4u);
  EXPECT_EQ(backend.events().front(), "open:138");
  EXPECT_EQ(backend.events().back(), "end:138=1");
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo"}));
}


TEST_F(MemoryDialogsTest, CancellingEitherDialogChangesNothing) {
  const std::string before = Stored({"hi%+%yo"});
  WriteFile("memory.dat", before);
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "hi"), Press(ui::IDCANCEL)});
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "hi"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "1"), Close()});
  EXPECT_EQ(Shown(words.ForgetByDialog()), 0);
  EXPECT_EQ(Shown(words.ForgetByDialog()), 0);
  EXPECT_EQ(backend.dialogs()[0].focus, IDC_FORGET_KEYWORD);
  EXPECT_TRUE(backend.boxes().empty());
  EXPECT_EQ(ReadFile("memory.dat"), before);
  EXPECT_EQ(ListFolder(), Strings{"memory.dat"});
}


TEST_F(MemoryDialogsTest, ForgetByDialogRemovesTheChosenRecord) {
  WriteFile("memory.dat", Stored({"hi%+%yo", "bye%+%ciao"}));
  backend.When(IDD_FORGET_KEYWORD, {Type(IDC_FORGET_KEYWORD, "bye"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_CHOICE, {Type(IDC_FORGET_NUMBER, "1"), Press(ui::IDOK)});
  backend.When(IDD_FORGET_KEYWORD, {Press(ui::IDOK)});
  EXPECT_EQ(Shown(words.ForgetByDialog()), 1);
  EXPECT_EQ(ReadFile("memory.dat"), Stored({"hi%+%yo"}));
  EXPECT_EQ(Shown(words.ForgetByDialog()), 0);  // an empty keyword lists nothing
  EXPECT_EQ(backend.boxes(), Strings{kNothingToForget});
}


}  // namespace
