#include "app/chat_app.h"

#include "app/chat_dialog.h"
#include "app/default_data.h"
#include "chat/new_persona.h"
#include "core/text_codec.h"
#include "core/text_file.h"

bool ChatApp::InitInstance() {
  ChatDialog dialog(m_persona, m_backend);
  if (!dialog.Start()) {
    m_exitStatus = 1;
    return false;
  }
  dialog.DoModal();
  m_exitStatus = dialog.exit_status();
  return false;
}

bool OfferNewPersona(chat::User& user, const std::string& folder) {
  if (!user.AskYesNo(chat::NewPersonaQuestion(folder))) return false;
  const chat::NewPersona made = chat::MakeNewPersona(folder, DefaultDataPlaces());
  if (!made.made()) user.Tell(made.message);
  return made.made();
}

std::string CannotOpenFolderMessage(const std::string& path, int error) {
  // A path whose characters Shift-JIS lacks is shown with "?" for them.
  std::string shown;
  core::CodecResult sjis = core::Utf8ToSjis(path);
  if (sjis.ok) {
    shown = sjis.text;
  } else {
    for (unsigned char c : path) shown.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  }
  return "作業フォルダー「" + shown + "」を開けません。\n" + core::ErrorText(error) +
         "\nフォルダーがあって、読み書きできるか確認してください。";
}
