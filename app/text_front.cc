#include "app/text_front.h"

#include "app/about_dialog.h"
#include "res/strings.h"

bool ShowAsText(const chat::Command& command, ui::Backend& backend) {
  switch (command.kind) {
    case chat::Command::Kind::kOpenFile:
    case chat::Command::Kind::kOpenAddress:
      if (!backend.ShellOpen(command.target))
        backend.MessageBox(res::CannotOpenMessage(command.target));
      return true;
    case chat::Command::Kind::kNote:
      backend.MessageBox(command.text);
      return true;
    case chat::Command::Kind::kAbout:
      AboutDialog(backend).DoModal();
      return true;
    case chat::Command::Kind::kEnd:
      return false;
    case chat::Command::Kind::kDone:
    case chat::Command::Kind::kBook:
    case chat::Command::Kind::kDuet:
      return true;
  }
  return true;
}
