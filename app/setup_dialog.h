// SetupDialog: the first-run dialog on template 133 that asks for the user's name, the
// persona's nickname and the log mode. It has no handlers of its own: OK validates and
// stores the three fields, Esc and the close box leave them as they were.
#pragma once

#include <string>

#include "ui/dialog.h"

class SetupDialog : public ui::Dialog {
 public:
  explicit SetupDialog(ui::Backend& backend);
  ~SetupDialog() override;

  // Index of the chosen log-mode button (0 none, 1 HTML, 2 TEXT), -1 when none is chosen.
  int m_nLogMode;
  std::string m_strUserName;  // at most 100 bytes
  std::string m_strNickname;  // at most 100 bytes

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
};
