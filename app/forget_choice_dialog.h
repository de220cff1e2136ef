// ForgetChoiceDialog: the dialog on template 138 that shows the numbered list of matching
// records and takes the number of the one to forget. The caller sets m_strList before
// DoModal; OK refuses a number that is not an integer from 0 to 9999999 and stays open.
#pragma once

#include <string>

#include "ui/dialog.h"

class ForgetChoiceDialog : public ui::Dialog {
 public:
  explicit ForgetChoiceDialog(ui::Backend& backend);
  ~ForgetChoiceDialog() override;

  int m_nNumber;          // edit 1032; starts at 0
  std::string m_strList;  // edit 1031, read-only: one entry a line, CR LF between lines

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
};
