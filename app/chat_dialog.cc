#include "app/chat_dialog.h"

#include <ctime>
#include <memory>

#include "app/about_dialog.h"
#include "core/random_source.h"
#include "core/text_file.h"
#include "memory/memory_book_dialog.h"
#include "memory/word_memory.h"
#include "res/links.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "settings/settings_dialog.h"
#include "ui/data_exchange.h"

namespace {
constexpr const char* kGreeting = "君こんにちは。";
constexpr const char* kThanksNote =
    "スペシャルサンクスはRinuにコメントをつけてくださった方のHPにリンクを張っています。\n"
    "もし、「こんなところにリンクしないでくれ！」という方がいらっしゃいましたら、\n"
    "お手数ですが連絡ください。確認ししだい修正します。\n"
    "\n"
    "また、ＨＰのアドレスが変わったらすぐ連絡くださいね。\n";
}  // namespace

ChatDialog::ChatDialog(ui::Backend& backend)
    : ui::Dialog(res::ChatTemplate(), backend),
      m_hIcon(&res::ChatIcon()),
      m_settings(backend),
      m_log(backend),
      m_engine(backend, m_log) {}

int ChatDialog::Start() {
  WordMemory::RemoveLeftOverCopy();
  if (!m_settings.Load() || !m_engine.CheckDataFiles()) return 0;
  // The one seeding of the random draws of the whole program.
  core::SeedRandom(static_cast<unsigned>(std::time(nullptr)));
  return 1;
}

bool ChatDialog::LoadSettings(SettingsStore& settings) {
  if (settings.Load()) return true;
  EndProgram(1);
  return false;
}

void ChatDialog::EndProgram(int status) {
  m_exitStatus = status;
  EndDialog(ui::IDABORT);
}

bool ChatDialog::ReadsText(int command, int control) const {
  // Only send reads a field, and only the input line: the transcript and the name fields
  // may hold whatever was typed or pasted into them.
  return command == ui::IDOK && control == IDC_INPUT;
}

ChatDialog::~ChatDialog() = default;

void ChatDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::Dialog::DoDataExchange(dx);
  ui::DDX_Text(dx, IDC_YOUR_NAME, m_strYourName);
  ui::DDX_Text(dx, IDC_RINU_NAME, m_strRinuName);
}

bool ChatDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
  // The About entry of the window menu (the desktop shows it where it shows window commands).
  if (ui::DialogWindow* window = Window()) {
    std::string caption = res::LoadString(IDS_ABOUTBOX);
    if (!caption.empty()) window->AppendSystemMenuItem(IDM_ABOUTBOX, caption);
  }
  SetIcon(m_hIcon);
  std::string greeting = m_settings.GetName(1) + ">" + m_settings.GetName(0) + kGreeting;
  SetDlgItemText(IDC_TRANSCRIPT, greeting);
  m_log.WriteStartEntry(m_settings, m_settings.GetName(0) + kGreeting);
  m_transcript = greeting;
  SetDlgItemText(IDC_YOUR_NAME, m_settings.GetName(0));
  SetDlgItemText(IDC_RINU_NAME, m_settings.GetName(1));
  return true;
}

void ChatDialog::OnOK() {
  RunTurn();
  // Whatever the turn did (a click on send, a dialog, a box), typing goes on in the input.
  GotoDlgCtrl(IDC_INPUT);
}

void ChatDialog::RunTurn() {
  // Reloading the settings repairs a damaged set.ini before anything else of the turn; the
  // turn's log entries follow what it read.
  SettingsStore turn_settings(backend());
  if (!LoadSettings(turn_settings)) return;
  std::string input = GetDlgItemText(IDC_INPUT);
  if (RunCommandWord(input)) return;
  ReplyEngine::Turn turn = m_engine.MakeReply(input, turn_settings);
  if (turn.ends()) {
    EndProgram(turn.exit_status);
    return;
  }
  InsertUserName(turn.reply);
  m_log.WriteExchange(turn_settings, input, turn.reply);
  AddExchangeToTranscript(input, turn.reply);
  SetDlgItemText(IDC_INPUT, "");
}

void ChatDialog::OnCancel() {
  SettingsStore settings(backend());
  if (!LoadSettings(settings)) return;
  m_log.WriteEndEntry(settings, res::kFarewell);
  ui::Dialog::OnCancel();
}

bool ChatDialog::RunCommandWord(const std::string& input) {
  // Whole and case-sensitive: "LOG" or "log " is an ordinary line for the engine.
  void (ChatDialog::*command)() = nullptr;
  if (input == "log") {
    command = &ChatDialog::OnShowLog;
  } else if (input == "ver") {
    command = &ChatDialog::OnVersion;
  } else if (input == "set") {
    command = &ChatDialog::OnSettings;
  } else {
    return false;
  }
  SetDlgItemText(IDC_INPUT, "");
  (this->*command)();
  return true;
}

bool ChatDialog::OnCommand(int id) {
  static constexpr struct {
    int id;
    void (ChatDialog::*handler)();
  } kCommands[] = {
      {ID_SHOW_LOG, &ChatDialog::OnShowLog},
      {ID_SETTINGS, &ChatDialog::OnSettings},
      {ID_HELP_PAGE, &ChatDialog::OnHelpPage},
      {ID_VERSION, &ChatDialog::OnVersion},
      {ID_LEARN, &ChatDialog::OnLearn},
      {ID_FORGET, &ChatDialog::OnForget},
      {ID_MEMORY_BOOK, &ChatDialog::OnMemoryBook},
      {ID_HOME_PAGE, &ChatDialog::OnHomePage},
      {ID_RINU_PAGE, &ChatDialog::OnRinuPage},
      {ID_MAIL_WEX, &ChatDialog::OnMailToWex},
      {ID_THANKS_SITE_1, &ChatDialog::OnThanksSite1},
      {ID_THANKS_SITE_2, &ChatDialog::OnThanksSite2},
      {ID_THANKS_SITE_3, &ChatDialog::OnThanksSite3},
      {ID_ABOUT_THANKS, &ChatDialog::OnAboutThanks},
      // The desktop's help command: the help page is the program's only help.
      {ID_HELP, &ChatDialog::OnHelpPage},
  };
  for (const auto& command : kCommands) {
    if (command.id == id) {
      (this->*command.handler)();
      GotoDlgCtrl(IDC_INPUT);
      return true;
    }
  }
  return false;
}

void ChatDialog::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog dlgAbout(backend());
    dlgAbout.DoModal();
    GotoDlgCtrl(IDC_INPUT);
  }
  // The window system handles its own entries (move, minimise, close) itself.
}

void ChatDialog::OnShowLog() {
  SettingsStore settings(backend());
  if (LoadSettings(settings)) m_log.ShowLog(settings);
}

void ChatDialog::OnVersion() {
  auto about = std::make_unique<AboutDialog>(backend());
  about->DoModal();
}

void ChatDialog::OnSettings() {
  SettingsDialog dialog(backend());
  dialog.m_strUserName = m_settings.GetName(0);
  dialog.m_strNickname = m_settings.GetName(1);
  dialog.m_nLogMode = m_settings.GetLogMode();
  int result = dialog.DoModal();
  if (dialog.must_end()) {
    EndProgram(1);
  } else if (result == ui::IDOK) {
    m_settings.Assign(dialog.m_strUserName, dialog.m_strNickname, dialog.m_nLogMode);
    m_settings.Save();
    // Loading again turns a mode outside 0 to 3 (no button chosen) into 1 and writes it.
    if (!LoadSettings(m_settings)) return;
    SetDlgItemText(IDC_YOUR_NAME, m_settings.GetName(0));
    SetDlgItemText(IDC_RINU_NAME, m_settings.GetName(1));
  } else if (result == ui::IDCANCEL) {
    // Takes in whatever Apply wrote; the name fields keep what they show.
    LoadSettings(m_settings);
  }
}

void ChatDialog::OnLearn() {
  WordMemory memory(backend());
  memory.LearnByDialog();
}

void ChatDialog::OnForget() {
  WordMemory memory(backend());
  memory.ForgetByDialog();
}

void ChatDialog::OnMemoryBook() {
  MemoryBookDialog book(backend());
  book.DoModal();
}

void ChatDialog::Open(const char* target) {
  if (!backend().ShellOpen(target)) backend().MessageBox(res::CannotOpenMessage(target));
}

void ChatDialog::OnHelpPage() { Open(res::kHelpPage); }
void ChatDialog::OnHomePage() { Open(res::kMakerHomePage); }
void ChatDialog::OnRinuPage() { Open(res::kRinuPage); }
void ChatDialog::OnMailToWex() { Open(res::kMailToWex); }
void ChatDialog::OnThanksSite1() { Open(res::kThanksSites[0].address); }
void ChatDialog::OnThanksSite2() { Open(res::kThanksSites[1].address); }
void ChatDialog::OnThanksSite3() { Open(res::kThanksSites[2].address); }

void ChatDialog::OnAboutThanks() { backend().MessageBox(kThanksNote); }

void ChatDialog::AddExchangeToTranscript(const std::string& input, std::string& reply) {
  InsertUserName(reply);
  m_transcript = m_settings.GetName(1) + ">" + reply + "\n" + m_settings.GetName(0) + ">" + input +
                 "\n" + m_transcript;
  ShowTranscript();
}

void ChatDialog::InsertUserName(std::string& reply) {
  size_t at = reply.find("NAME");
  if (at == std::string::npos) return;
  reply.replace(at, 4, m_settings.GetName(0));
}

void ChatDialog::ShowTranscript() {
  // The edit control wants CR LF between lines. Only the newest part is shown once the
  // transcript grows long, cut after a whole line.
  std::string_view shown = m_transcript;
  if (shown.size() > kShownTranscriptBytes) {
    shown = shown.substr(0, kShownTranscriptBytes);
    size_t last_break = shown.rfind('\n');
    if (last_break != std::string_view::npos) shown = shown.substr(0, last_break + 1);
  }
  SetDlgItemText(IDC_TRANSCRIPT, core::ToCrLf(shown));
}
