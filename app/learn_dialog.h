// LearnDialog: the dialog on template 136 in which the user teaches one pair, the words
// they will say and the persona's reply. Both fields start empty and are taken as typed:
// no limit and no check. WordMemory::LearnByDialog makes one, runs it and reads the fields.
#pragma once

#include <string>

#include "ui/dialog.h"

class LearnDialog : public ui::Dialog {
 public:
  explicit LearnDialog(ui::Backend& backend);
  ~LearnDialog() override;

  std::string m_strYourWords;  // edit 1026: the keyword
  std::string m_strReply;      // edit 1025: the reply

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
};
