// ForgetKeywordDialog: the dialog on template 137 that asks for the text whose records the
// user wants to forget. The field starts empty and is taken as typed.
#pragma once

#include <string>

#include "ui/dialog.h"

class ForgetKeywordDialog : public ui::Dialog {
 public:
  explicit ForgetKeywordDialog(ui::Backend& backend);
  ~ForgetKeywordDialog() override;

  std::string m_strKeyword;  // edit 1028

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
};
