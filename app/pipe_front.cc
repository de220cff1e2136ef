#include "app/pipe_front.h"

#include <istream>
#include <ostream>

#include "app/dialog_user.h"
#include "app/text_front.h"
#include "app/text_lines.h"
#include "chat/commands.h"
#include "chat/conversation.h"
#include "core/persona_files.h"
#include "core/text_file.h"
#include "ui/dialog.h"

namespace {

using ui::text::TerminalEncoding;

}  // namespace

void PipeBackend::Notice(const std::string& sjis) {
  m_err << "rinu: " << ui::text::ToTerminal(ReplaceLineBreaks(sjis, ' '), TerminalEncoding::kUtf8)
        << '\n'
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
  // A bare file name is one of the persona's folder.
  const bool file = m_folder && target.find(':') == std::string::npos;
  Notice((file ? m_folder->PathOf(target) : target) + " は --pipe では開けません。");
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
  PipeBackend backend(err, &persona.folder());
  // Nobody is there to answer the first-run setup: a folder that is not a persona yet stays
  // exactly as it is.
  std::string missing;
  for (const char* name :
       {core::kMemoryFile, core::kBokeFile, core::kNoFile, core::kSettingsFile}) {
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
  DialogUser user(backend);
  chat::Conversation conversation(persona, user);
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
      case chat::Outcome::Kind::kCommand: {
        // The command words' dialogs cannot open here; the log can only be named.
        std::optional<chat::Command> command = chat::RunCommand(conversation, outcome.command);
        if (command && !ShowAsText(*command, backend)) return 1;
        out << '\n' << std::flush;
        break;
      }
      case chat::Outcome::Kind::kReply:
        out << ui::text::ToTerminal(ReplaceLineBreaks(outcome.reply, ' '), encoding) << '\n'
            << std::flush;
        break;
    }
  }
  return conversation.End() ? 0 : 1;
}
