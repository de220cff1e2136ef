// SettingsDialog: the dialog on template 134 in which the user changes the two names and the
// log mode while the program runs. Apply writes set.ini at once and leaves the dialog open;
// OK stores the three fields and closes; Cancel closes without storing. The caller fills the
// fields before DoModal and takes them back after OK (DialogUser::AskSettings).
#pragma once

#include <string>

#include "chat/user.h"
#include "ui/dialog.h"

class SettingsDialog : public ui::Dialog {
 public:
  // What Apply does (load set.ini, then write the values shown) and the backend are borrowed.
  SettingsDialog(chat::SettingsApply& apply, ui::Backend& backend);
  ~SettingsDialog() override;

  std::string m_strNickname;  // at most 100 bytes
  std::string m_strUserName;  // at most 100 bytes
  // Index of the chosen log-mode button (0 none, 1 HTML, 2 TEXT), -1 when none is chosen;
  // any other value selects no button.
  int m_nLogMode;

  // Button 1011: set.ini is loaded first (repaired when damaged), then what the dialog shows
  // is written. A failed validation writes nothing. When set.ini cannot be repaired the
  // dialog closes and must_end() is true: the program must end with status 1.
  void OnApply();
  bool must_end() const { return m_mustEnd; }

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnCommand(int id) override;

 private:
  chat::SettingsApply& m_apply;
  bool m_mustEnd = false;
};
