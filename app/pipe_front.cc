#include "app/pipe_front.h"

#include <istream>
#include <ostream>

#include "app/about_dialog.h"
#include "chat/conversation.h"
#include "core/text_file.h"
#include "res/resource.h"
#include "ui/dialog.h"

namespace {

using ui::text::TerminalEncoding;

}  // namespace

std::string JoinLines(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' || text[i] == '\n' ? ' ' : text[i];
  }
  return out;
}

void PipeBackend::Notice(const std::string& sjis) {
  m_err << "rinu: " << ui::text::ToTerminal(JoinLines(sjis), TerminalEncoding::kUtf8) << '\n'
        << std::flush;
}

std::unique_ptr<ui::DialogWindow> PipeBackend::CreateDialogWindow(ui::Dialog& dialog) {
  Notice("「" + dialog.Template().caption +
         "」はウィンドウか --tty でしか開けないので、キャンセルしました。");
  return std::make_unique<ui::CancelledWindow>();
}

void PipeBackend::MessageBox(const std::string& text) { Notice(text); }

bool PipeBackend::Confirm(const std::string& text) {
  Notice(text + " (キャンセルしました)");
  return false;
}

bool PipeBackend::ShellOpen(const std::string& target) {
  Notice(target + " は --pipe では開けません。");
  return false;
}

std::string PipeSetupHint(const std::string& folder) {
  // The folder as the system spells it; the program's own words converted.
  return "rinu: rinu --tty " + folder +
         ui::text::ToTerminal(" で、ここにRinu++を用意してください。", TerminalEncoding::kUtf8) +
         "\n";
}

int RunPipeChat(core::Persona& persona, std::istream& in, std::ostream& out, std::ostream& err,
                TerminalEncoding encoding) {
  PipeBackend backend(err);
  // Nobody is there to answer the first-run setup: a folder that is not a persona yet stays
  // exactly as it is.
  std::string missing;
  for (const char* name : {"memory.dat", "boke.dat", "no.dat", "set.ini"}) {
    if (!core::CanRead(persona.folder(), name)) missing += std::string(" ") + name;
  }
  if (!missing.empty()) {
    err << "rinu: " << persona.folder().path()
        << ui::text::ToTerminal(
               " はまだRinu++のフォルダではありません（足りないファイル:" + missing + "）。",
               TerminalEncoding::kUtf8)
        << '\n'
        << PipeSetupHint(persona.folder().path()) << std::flush;
    return 1;
  }
  chat::Conversation conversation(persona, backend);
  if (!conversation.Start()) return 1;
  conversation.Begin();  // the log's start entry; the greeting is not written
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    core::CodecResult converted = ui::text::FromTerminal(line, encoding);
    if (!converted.ok) {
      std::string why = ui::text::RefusedInputMessage(converted, TerminalEncoding::kUtf8);
      if (encoding == TerminalEncoding::kCp932)  // the typed character is not UTF-8
        why = ui::text::ToTerminal("入力がShift-JISの文字として読めません。",
                                   TerminalEncoding::kUtf8);
      err << "rinu: " << why << '\n' << std::flush;
      out << '\n' << std::flush;
      continue;
    }
    chat::Outcome outcome = conversation.Take(ui::text::StripControls(converted.text));
    switch (outcome.kind) {
      case chat::Outcome::Kind::kEnd:
        return outcome.exit_status;
      case chat::Outcome::Kind::kCommand:
        // The command words' dialogs cannot open here; the log can only be named.
        if (outcome.command == ID_SHOW_LOG && !conversation.ShowLog()) return 1;
        if (outcome.command == ID_SETTINGS) {
          bool names_changed = false;
          if (!conversation.ChangeSettings(&names_changed)) return 1;
        }
        if (outcome.command == ID_VERSION) AboutDialog(backend).DoModal();
        out << '\n' << std::flush;
        break;
      case chat::Outcome::Kind::kReply:
        out << ui::text::ToTerminal(JoinLines(outcome.reply), encoding) << '\n' << std::flush;
        break;
    }
  }
  return conversation.End() ? 0 : 1;
}
