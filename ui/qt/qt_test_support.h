// Shared by the Qt backend tests: the one backend their main makes for the whole run, a test
// template with a dialog over it, dialogs over the program's own templates (the chat window,
// the setup dialog, the memory book), and the helpers that drive a window as a user would:
// keys typed into real widgets on Qt's offscreen platform, with message boxes recorded.
#pragma once

#include <gtest/gtest.h>

#include <QDialog>
#include <QString>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/text_codec.h"
#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"
#include "ui/dialog.h"
#include "ui/list_model.h"
#include "ui/qt/qt_backend.h"

namespace ui::qt::test_support {

QtBackend& Backend();

// The program's form of a text: Shift-JIS bytes.
inline std::string S(const char8_t* utf8) {
  core::CodecResult r = core::Utf8ToSjis(reinterpret_cast<const char*>(utf8));
  EXPECT_TRUE(r.ok) << r.reason;
  return r.text;
}

inline QString Q(const char8_t* utf8) { return QString::fromUtf8(utf8); }

constexpr int kName = 10, kNotes = 11, kPlain = 12, kList = 13, kRadioA = 20, kRadioB = 21,
              kRadioC = 22, kBox = 23, kOtherA = 30, kOtherB = 31, kExtra = 40, kMenuCommand = 50,
              kSysEntry = 0x0010;

// A template of every kind of control but lists (ids above), with a menu bar.
const DialogTemplate& TestTemplate();

class TestDialog : public Dialog {
 public:
  explicit TestDialog(const DialogTemplate& t = TestTemplate())
      : Dialog(t, test_support::Backend()) {}

  std::string m_name;
  std::string m_notes;
  int m_choice = -1;
  int m_okRuns = 0, m_cancelRuns = 0;
  std::vector<int> m_commands, m_sysCommands;
  bool m_endInInit = false;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    AppendSysEntry();
    if (m_endInInit) EndDialog(7);
    return true;
  }
  void OnOK() override {
    ++m_okRuns;
    Dialog::OnOK();
  }
  void OnCancel() override {
    ++m_cancelRuns;
    Dialog::OnCancel();
  }
  bool OnCommand(int id) override {
    m_commands.push_back(id);
    return true;
  }
  void OnSysCommand(int id) override { m_sysCommands.push_back(id); }
  void DoDataExchange(DataExchange& dx) override {
    DDX_Text(dx, kName, m_name);
    DDV_MaxChars(dx, m_name, 100);
    DDX_Text(dx, kNotes, m_notes);
    DDX_Radio(dx, kRadioA, m_choice);
  }

 private:
  void AppendSysEntry() {
    if (Window()) Window()->AppendSystemMenuItem(kSysEntry, S(u8"情報(&A)..."));
  }
};

// Message boxes recorded (UTF-8) while the recorder lives.
class BoxRecorder {
 public:
  BoxRecorder() {
    test_support::Backend().SetMessageBoxHook(
        [this](const std::string& text) { m_boxes.push_back(text); });
  }
  ~BoxRecorder() { test_support::Backend().SetMessageBoxHook(nullptr); }
  const std::vector<std::string>& boxes() const { return m_boxes; }

 private:
  std::vector<std::string> m_boxes;
};

// Runs `dialog` modally; `script` runs once its window is up and active. A window the
// script leaves open is ended (with -2) and the test fails.
int RunWith(Dialog& dialog, const std::function<void(QDialog*)>& script);

// Types `text` into `widget` one character at a time, as key presses carrying the character
// (QTest::keyClicks knows only Latin-1).
void Type(QWidget* widget, const QString& text);

template <class W>
W* Find(QDialog* window, int id) {
  W* w = window->findChild<W*>(QString::number(id));
  EXPECT_NE(w, nullptr) << "control " << id;
  return w;
}

inline const std::string kEmojiMessage(reinterpret_cast<const char*>(
    u8"「😀」はこのプログラムでは使えない文字です。別の文字にしてください。"));

// Every label shows its whole caption, the window has the template's size (a window that
// grows: at least that, and opens at it; any other cannot be resized) and every control lies
// inside it.
void ExpectWholeLayout(QDialog* w, bool grows = false);

// The point size of control `id`'s font.
int PointSize(QDialog* w, int id);

// The first-run setup dialog's template with the exchange it is used with.
class SetupLikeDialog : public Dialog {
 public:
  SetupLikeDialog() : Dialog(res::SetupTemplate(), test_support::Backend()) {}
  int m_nLogMode = 1;
  std::string m_strUserName, m_strNickname;
  int m_okRuns = 0;

 protected:
  void OnOK() override {
    ++m_okRuns;
    Dialog::OnOK();
  }
  void DoDataExchange(DataExchange& dx) override {
    DDX_Radio(dx, IDC_LOG_NONE, m_nLogMode);
    DDX_Text(dx, IDC_SETUP_USER_NAME, m_strUserName);
    DDV_MaxChars(dx, m_strUserName, 100);
    DDX_Text(dx, IDC_SETUP_RINU_NAME, m_strNickname);
    DDV_MaxChars(dx, m_strNickname, 100);
  }
};

// The chat window's template: what a turn needs of it.
constexpr const char8_t* kAboutEntry = u8"Rinu++ のﾊﾞｰｼﾞｮﾝ情報(&A)...";
class ChatLikeDialog : public Dialog {
 public:
  ChatLikeDialog() : Dialog(res::ChatTemplate(), test_support::Backend()) {}
  std::vector<std::string> m_inputs;
  std::vector<int> m_sysCommands;
  int m_cancelRuns = 0;
  bool m_focusInputAfterTurn = false;

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    Window()->AppendSystemMenuItem(IDM_ABOUTBOX, S(kAboutEntry));
    SetIcon(&res::ChatIcon());
    return true;
  }
  void OnOK() override {
    m_inputs.push_back(GetDlgItemText(IDC_INPUT));
    SetDlgItemText(IDC_INPUT, "");
    if (m_focusInputAfterTurn) Window()->SetFocus(IDC_INPUT);
  }
  void OnCancel() override {
    ++m_cancelRuns;
    Dialog::OnCancel();
  }
  void OnSysCommand(int id) override { m_sysCommands.push_back(id); }
};

// The memory book's template with a list of a million rows: the view asks only for what it
// draws, and selection, double-click, Enter and typing reach the dialog.
class ListDialog : public Dialog {
 public:
  struct Rows : ListModel {
    size_t count = 1000000;
    mutable size_t asked = 0;
    int ColumnCount() const override { return 2; }
    ListColumn Column(int column) const override {
      return {column == 0 ? S(u8"行") : S(u8"応答"), 40};
    }
    size_t RowCount() const override { return count; }
    std::string CellText(size_t row, int column) const override {
      ++asked;
      return std::to_string(row) + (column == 0 ? "" : S(u8"番目"));
    }
  } m_rows;
  std::vector<std::pair<int, Notify>> m_notes;
  std::vector<std::string> m_searches;

  ListDialog() : Dialog(res::MemoryBookTemplate(), test_support::Backend()) {}

 protected:
  bool OnInitDialog() override {
    Dialog::OnInitDialog();
    Window()->SetListModel(IDC_BOOK_LIST, &m_rows);
    return true;
  }
  void OnNotify(int id, Notify code) override {
    m_notes.emplace_back(id, code);
    if (code == Notify::kEditChange) m_searches.push_back(GetDlgItemText(id));
  }
};

}  // namespace ui::qt::test_support
