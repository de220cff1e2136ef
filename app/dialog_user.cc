#include "app/dialog_user.h"

#include "app/forget_choice_dialog.h"
#include "app/forget_keyword_dialog.h"
#include "app/learn_dialog.h"
#include "app/settings_dialog.h"
#include "app/setup_dialog.h"

void DialogUser::Tell(const std::string& message) { m_backend.MessageBox(message); }

std::optional<chat::TaughtPair> DialogUser::AskPair() {
  LearnDialog dialog(m_backend);
  // Only OK hands a pair on: a dialog that could not be shown gives nothing to learn.
  if (dialog.DoModal() != ui::IDOK) return std::nullopt;
  return chat::TaughtPair{dialog.m_strYourWords, dialog.m_strReply};
}

std::optional<std::string> DialogUser::AskKeyword() {
  ForgetKeywordDialog dialog(m_backend);
  if (dialog.DoModal() != ui::IDOK) return std::nullopt;
  return dialog.m_strKeyword;
}

std::optional<int> DialogUser::AskRecordNumber(const std::string& listing) {
  ForgetChoiceDialog dialog(m_backend);
  dialog.m_strList = listing;
  dialog.m_nNumber = 0;
  if (dialog.DoModal() != ui::IDOK) return std::nullopt;
  return dialog.m_nNumber;
}

SettingsValues DialogUser::AskFirstRunNames() {
  SetupDialog dialog(m_backend);
  dialog.m_nLogMode = HTML;
  dialog.DoModal();
  return {dialog.m_strUserName, dialog.m_strNickname, dialog.m_nLogMode};
}

DialogUser::SettingsAnswer DialogUser::AskSettings(const SettingsValues& current,
                                                   chat::SettingsApply& apply) {
  SettingsDialog dialog(apply, m_backend);
  dialog.m_strUserName = current.user_name;
  dialog.m_strNickname = current.nickname;
  dialog.m_nLogMode = current.log_mode;
  const int result = dialog.DoModal();
  SettingsAnswer answer;
  if (dialog.must_end()) {
    answer.kind = SettingsAnswer::Kind::kEnd;
  } else if (result == ui::IDOK) {
    answer.kind = SettingsAnswer::Kind::kOk;
    answer.values = {dialog.m_strUserName, dialog.m_strNickname, dialog.m_nLogMode};
  } else if (result != ui::IDCANCEL) {
    // No window could be made: nothing was asked, nothing changes.
    answer.kind = SettingsAnswer::Kind::kNone;
  }
  return answer;
}

bool DialogUser::AskYesNo(const std::string& question) { return m_backend.AskYesNo(question); }
