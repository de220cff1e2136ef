// AboutDialog: the dialog on template 100 with the program's icon and version. It has no
// fields and no handlers of its own; the menu, the command word "ver" and the About entry of
// the window menu all show it.
#pragma once

#include "ui/dialog.h"

class AboutDialog : public ui::Dialog {
 public:
  explicit AboutDialog(ui::Backend& backend);
  ~AboutDialog() override;

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
};
