#include "app/chat_dialog.h"

#include <ctime>

#include "res/resource.h"
#include "res/templates.h"
#include "ui/data_exchange.h"
#include "ui/random_source.h"
#include "ui/text_file.h"

namespace {
constexpr const char* kGreeting = "君こんにちは。";
constexpr const char* kFarewell = "ばいばーい";
}  // namespace

ChatDialog::ChatDialog() : ui::Dialog(res::ChatTemplate()), m_hIcon(&res::ChatIcon()) {
  m_strYourName = "";
  m_strRinuName = "";
  m_transcript = "";
  // The one seeding of the random draws of the whole program.
  ui::SeedRandom(static_cast<unsigned>(std::time(nullptr)));
}

ChatDialog::~ChatDialog() = default;

void ChatDialog::DoDataExchange(ui::DataExchange& dx) {
  ui::Dialog::DoDataExchange(dx);
  ui::DDX_Text(dx, IDC_YOUR_NAME, m_strYourName);
  ui::DDX_Text(dx, IDC_RINU_NAME, m_strRinuName);
}

bool ChatDialog::OnInitDialog() {
  ui::Dialog::OnInitDialog();
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
  std::string reply = m_engine.MakeReply(input);
  LogExchange(input, reply);
  AddExchangeToTranscript(input, reply);
  SetDlgItemText(IDC_INPUT, "");
}

void ChatDialog::OnCancel() {
  m_log.WriteEndEntry(kFarewell);
  ui::Dialog::OnCancel();
}

bool ChatDialog::OnCommand(int) { return false; }

void ChatDialog::LogExchange(const std::string& input, std::string& reply) {
  InsertUserName(reply);
  m_log.WriteExchange(input, reply);
}

void ChatDialog::AddExchangeToTranscript(const std::string& input, std::string& reply) {
  InsertUserName(reply);
  m_transcript = m_settings.GetName(1) + ">" + reply + "\n" + m_settings.GetName(0) + ">" +
                 input + "\n" + m_transcript;
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
  SetDlgItemText(IDC_TRANSCRIPT, ui::ToCrLf(shown));
}
