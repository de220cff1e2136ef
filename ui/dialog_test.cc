#include "ui/dialog.h"

#include <gtest/gtest.h>

#include "testing/work_folder.h"
#include "ui/data_exchange.h"

namespace {

using namespace testing_support;

constexpr int kName = 10, kRadioA = 11, kRadioB = 12, kRadioC = 13, kGroupBox = 14, kExtra = 15;

const ui::DialogTemplate& TestTemplate() {
  using ui::ControlKind;
  static const ui::DialogTemplate t{
      900,
      "Test",
      "ＭＳ Ｐゴシック",
      9,
      100,
      100,
      ui::kDlgCaption,
      nullptr,
      {
          {ui::IDC_STATIC, ControlKind::kStatic, "&Name", {1, 1, 10, 8}, 0, nullptr},
          {kName, ControlKind::kEdit, "", {1, 10, 50, 12}, ui::kBorder | ui::kTabStop, nullptr},
          {kRadioA,
           ControlKind::kRadioButton,
           "A",
           {1, 30, 50, 10},
           ui::kGroup | ui::kTabStop,
           nullptr},
          {kRadioB, ControlKind::kRadioButton, "B", {1, 40, 50, 10}, 0, nullptr},
          {kRadioC, ControlKind::kRadioButton, "C", {1, 50, 50, 10}, 0, nullptr},
          {kGroupBox, ControlKind::kGroupBox, "G", {0, 25, 60, 40}, ui::kGroup, nullptr},
          {ui::IDOK, ControlKind::kDefPushButton, "OK", {1, 80, 40, 14}, ui::kTabStop, nullptr},
          {kExtra, ControlKind::kPushButton, "X", {50, 80, 40, 14}, ui::kTabStop, nullptr},
      }};
  return t;
}

class TestDialog : public ui::Dialog {
 public:
  explicit TestDialog(ui::Backend& backend) : ui::Dialog(TestTemplate(), backend) {}
  std::string m_name = "start";
  int m_choice = 1;
  int m_extraPresses = 0;
  int m_endAfter = 0;  // presses of the extra button that end the dialog

 protected:
  void DoDataExchange(ui::DataExchange& dx) override {
    ui::DDX_Text(dx, kName, m_name);
    ui::DDV_MaxChars(dx, m_name, 6);
    ui::DDX_Radio(dx, kRadioA, m_choice);
  }
  bool OnCommand(int id) override {
    if (id != kExtra) return false;
    ++m_extraPresses;
    if (m_extraPresses == m_endAfter) EndDialog(42);
    return true;
  }
};

class DialogTest : public WorkFolderTest {};

TEST_F(DialogTest, OkSavesTheFieldsAndCancelDoesNot) {
  backend.When(900, {Type(kName, "abc"), Choose(kRadioC), Press(ui::IDOK)});
  backend.When(900, {Type(kName, "zzz"), Choose(kRadioA), Close()});
  TestDialog ok(backend);
  EXPECT_EQ(ok.DoModal(), ui::IDOK);
  EXPECT_EQ(ok.m_name, "abc");
  EXPECT_EQ(ok.m_choice, 2);
  TestDialog cancel(backend);
  EXPECT_EQ(cancel.DoModal(), ui::IDCANCEL);
  EXPECT_EQ(cancel.m_name, "start");
  EXPECT_EQ(cancel.m_choice, 1);
  // Opening showed the fields: the text, and the radio button of index 1 alone.
  const ControlState& shown = backend.dialogs()[1].states[0];
  EXPECT_EQ(shown.text.at(kName), "start");
  EXPECT_FALSE(shown.checked.at(kRadioA));
  EXPECT_TRUE(shown.checked.at(kRadioB));
  EXPECT_FALSE(shown.checked.at(kRadioC));
  EXPECT_EQ(backend.dialogs()[1].focus, kName);
}

TEST_F(DialogTest, RadioGroupEndsAtTheNextGroupAndNoneGivesMinusOne) {
  backend.When(900, {Press(ui::IDOK)});
  TestDialog d(backend);
  d.m_choice = 7;  // no such button: none is checked
  EXPECT_EQ(d.DoModal(), ui::IDOK);
  EXPECT_EQ(d.m_choice, -1);
  const ControlState& shown = backend.dialogs()[0].states[0];
  EXPECT_EQ(shown.checked.count(kGroupBox), 0u);
}

TEST_F(DialogTest, FailedValidationKeepsTheDialogOpen) {
  // The field itself refuses the seventh byte; a double-byte character is never split.
  backend.When(900, {Type(kName, "あいうえ"), Press(ui::IDOK)});
  TestDialog d(backend);
  EXPECT_EQ(d.DoModal(), ui::IDOK);
  EXPECT_EQ(d.m_name, "あいう");
  EXPECT_TRUE(backend.boxes().empty());
}

TEST_F(DialogTest, OtherButtonsGoToTheCommandHookAndEndDialogGivesItsResult) {
  backend.When(900, {Press(kExtra), Press(kExtra)});
  TestDialog d(backend);
  d.m_endAfter = 2;
  EXPECT_EQ(d.DoModal(), 42);
  EXPECT_EQ(d.m_extraPresses, 2);
  EXPECT_EQ(backend.dialogs()[0].result, 42);
}

TEST_F(DialogTest, TextExchangeOutsideARunDoesNothing) {
  TestDialog d(backend);
  EXPECT_FALSE(d.IsOpen());
  EXPECT_FALSE(d.UpdateData(true));
  EXPECT_EQ(d.GetDlgItemText(kName), "");
  d.SetDlgItemText(kName, "x");
  EXPECT_EQ(d.m_name, "start");
}

}  // namespace
