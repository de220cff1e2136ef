#include "app/chat_dialog.h"

#include <ctime>
#include <memory>

#include "app/about_dialog.h"
#include "memory/word_memory.h"
#include "res/links.h"
#include "res/resource.h"
#include "res/strings.h"
#include "res/templates.h"
#include "settings/settings_dialog.h"
#include "ui/data_exchange.h"
#include "core/random_source.h"
#include "core/text_file.h"

namespace {
constexpr const char* kGreeting = "君こんにちは。";
constexpr const char* kFarewell = "ばいばーい";
constexpr const char* kThanksNote =
    "スペシャルサンクスはRinuにコメントをつけてくださった方のHPにリンクを張っています。\n"
    "もし、「こんなところにリンクしないでくれ！」という方がいらっしゃいましたら、\n"
    "お手数ですが連絡ください。確認ししだい修正します。\n"
    "\n"
    "また、ＨＰのアドレスが変わったらすぐ連絡くださいね。\n";
}  // namespace

ChatDialog::ChatDialog() : ui::Dialog(res::ChatTemplate()), m_hIcon(&res::ChatIcon()) {
  m_strYourName = "";
  m_strRinuName = "";
  m_transcript = "";
  // The one seeding of the random draws of the whole program.
  core::SeedRandom(static_cast<unsigned>(std::time(nullptr)));
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
  m_log.WriteStartEntry(m_settings.GetName(0) + kGreeting);
  m_transcript = greeting;
  SetDlgItemText(IDC_YOUR_NAME, m_settings.GetName(0));
  SetDlgItemText(IDC_RINU_NAME, m_settings.GetName(1));
  return true;
}

void ChatDialog::OnOK() {
  // Reloading the settings repairs a damaged set.ini before anything else of the turn.
  SettingsStore turn_settings;
  std::string input = GetDlgItemText(IDC_INPUT);
  if (RunCommandWord(input)) return;
  std::string reply = m_engine.MakeReply(input);
  LogExchange(input, reply);
  AddExchangeToTranscript(input, reply);
  SetDlgItemText(IDC_INPUT, "");
}

void ChatDialog::OnCancel() {
  m_log.WriteEndEntry(kFarewell);
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
      return true;
    }
  }
  return false;
}

void ChatDialog::OnSysCommand(int id) {
  if ((id & 0xFFF0) == IDM_ABOUTBOX) {
    AboutDialog dlgAbout;
    dlgAbout.DoModal();
  }
  // The window system handles its own entries (move, minimise, close) itself.
}

void ChatDialog::OnShowLog() { m_log.ShowLog(); }

void ChatDialog::OnVersion() {
  auto about = std::make_unique<AboutDialog>();
  about->DoModal();
}

void ChatDialog::OnSettings() {
  SettingsDialog dialog;
  dialog.m_strUserName = m_settings.GetName(0);
  dialog.m_strNickname = m_settings.GetName(1);
  dialog.m_nLogMode = m_settings.GetLogMode();
  int result = dialog.DoModal();
  if (result == ui::IDOK) {
    m_settings.Assign(dialog.m_strUserName, dialog.m_strNickname, dialog.m_nLogMode);
    m_settings.Save();
    // Loading again turns a mode outside 0 to 3 (no button chosen) into 1 and writes it.
    m_settings.Load();
    SetDlgItemText(IDC_YOUR_NAME, m_settings.GetName(0));
    SetDlgItemText(IDC_RINU_NAME, m_settings.GetName(1));
  } else if (result == ui::IDCANCEL) {
    // Takes in whatever Apply wrote; the name fields keep what they show.
    m_settings.Load();
  }
}

void ChatDialog::OnLearn() {
  WordMemory memory;
  memory.LearnByDialog();
}

void ChatDialog::OnForget() {
  WordMemory memory;
  memory.ForgetByDialog();
}

void ChatDialog::OnHelpPage() { ui::ShellOpen(res::kHelpPage); }
void ChatDialog::OnHomePage() { ui::ShellOpen(res::kMakerHomePage); }
void ChatDialog::OnRinuPage() { ui::ShellOpen(res::kRinuPage); }
void ChatDialog::OnMailToWex() { ui::ShellOpen(res::kMailToWex); }
void ChatDialog::OnThanksSite1() { ui::ShellOpen(res::kThanksSites[0].address); }
void ChatDialog::OnThanksSite2() { ui::ShellOpen(res::kThanksSites[1].address); }
void ChatDialog::OnThanksSite3() { ui::ShellOpen(res::kThanksSites[2].address); }

void ChatDialog::OnAboutThanks() { ui::MessageBox(kThanksNote); }

void ChatDialog::LogExchange(const std::string& input, std::string& reply) {
  InsertUserName(reply);
  m_log.WriteExchange(input, reply);
}

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
