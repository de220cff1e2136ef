#include "log/conversation_log.h"

#include <initializer_list>
#include <string_view>

#include "core/persona_files.h"
#include "core/text_file.h"

namespace {

using core::kHtmlLog;
using core::kTextLog;

// Entry formats; each "%s" takes the next argument. A line break is written as CR LF.
constexpr const char* kTextExchange = "%s>%s\n%s>%s\n";
constexpr const char* kTextStart =
    "---------------------------------------------------\nここからはじめる\t%s\n\n%s>%s\n";
constexpr const char* kTextEnd =
    "%s>%s\n\nここまで\t\t%s\n---------------------------------------------------\n\n\n";
constexpr const char* kTextNote = "%s\n";

constexpr const char* kHtmlExchange =
    "<font color=\"black\">%s<B>>></B>%s</font>\n"
    "<HR><font color=\"red\">%s<B>>></B>%s</font><HR color=\"#ff00ff\">\n";
constexpr const char* kHtmlStart =
    "<B><HR color=\"blue\"><font color=\"blue\"><BR>ここからはじめます。&nbsp;&nbsp;&nbsp;&nbsp;"
    "%s</font></B><BR><BR>\n<font color=\"red\">%s<B>>></B>%s</font><HR>\n";
// No line break at the end: the next entry continues on the same line.
constexpr const char* kHtmlEnd =
    "<font color=\"red\">%s<B>>></B>%s</font><BR><BR><font color=\"blue\"><B>ここまで"
    "&nbsp;&nbsp;&nbsp;&nbsp;\n%s</B></font><HR color=\"blue\"><BR><BR>";
constexpr const char* kHtmlNote = "<B><font color=\"blue\">%s</font></B><HR>\n";

constexpr const char* kWrongModeExchange = "set.iniファイルが不正です";
constexpr const char* kWrongModeStart = "set.iniが間違っている可能性があります。";
constexpr const char* kWrongModeEnd = "set.iniがまちがっている可能性があります。";
constexpr const char* kWrongModeNote = "Set.iniファイルが間違っている可能性があります";

constexpr const char* kTextEntryFailed =
    "ログを書けません。\nlog.txtが読み込み専用になっていないか、\n確認してください。";
constexpr const char* kHtmlEntryFailed =
    "ログを書けません。\nlog.htmlが読み込み専用になっていないか、\n確認してください。";
constexpr const char* kTextNoteFailed =
    "log.txtが読み込み専用の可能性があります。確認してください。\n"
    "よく分からないときはlog.txtを削除してください。";
constexpr const char* kHtmlNoteFailed =
    "log.htmlが読み込み専用の可能性があります。確認してください。\n"
    "よく分からないときはlog.htmlを削除してください。";
constexpr const char* kNoLogMessage =
    "ログモードがNOLOGになっているため、ログを書いていません。\nログモードを切り替えてください。";

// `format` with each "%s" replaced by the next of `args`.
std::string Fill(std::string_view format, std::initializer_list<std::string_view> args) {
  std::string out;
  auto arg = args.begin();
  for (size_t i = 0; i < format.size(); ++i) {
    if (format[i] == '%' && i + 1 < format.size() && format[i + 1] == 's' && arg != args.end()) {
      out += *arg++;
      ++i;
    } else {
      out.push_back(format[i]);
    }
  }
  return out;
}

// `text` with &, <, > and " as character references. None of these bytes can be the second
// byte of a double-byte character, so a byte scan is safe on Shift-JIS.
std::string EscapeHtml(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    switch (c) {
      case '&':
        out += "&amp;";
        break;
      case '<':
        out += "&lt;";
        break;
      case '>':
        out += "&gt;";
        break;
      case '"':
        out += "&quot;";
        break;
      default:
        out.push_back(c);
    }
  }
  return out;
}

}  // namespace

ConversationLog::ConversationLog(core::Persona& persona) : m_persona(persona) {}

ConversationLog::~ConversationLog() = default;

// Appends `entry` with CR LF line ends to `path` as one unit; tells `failure` when the file
// cannot be opened or the write fails (nothing of the entry then stays in the file), and
// that another program is writing when it kept the folder's lock too long.
LogOutcome ConversationLog::Append(const char* path, std::string_view entry, const char* failure) {
  core::AppendResult result = core::AppendToFile(m_persona.folder(), path, core::ToCrLf(entry));
  if (result == core::AppendResult::kOk) return {};
  return {LogResult::kWriteFailed,
          result == core::AppendResult::kBusy ? core::kFolderBusyMessage : failure};
}

LogOutcome ConversationLog::WriteStartEntry(const SettingsStore& settings,
                                            const std::string& greeting) {
  m_rinuLine = greeting;
  return WriteEntry(settings, Entry::kStart);
}

LogOutcome ConversationLog::WriteExchange(const SettingsStore& settings,
                                          const std::string& userLine, const std::string& reply) {
  return WriteExchangeWith(settings, settings.GetName(0), userLine, reply);
}

LogOutcome ConversationLog::WriteExchangeWith(const SettingsStore& settings,
                                              const std::string& speaker,
                                              const std::string& userLine,
                                              const std::string& reply) {
  m_speaker = speaker;
  m_userLine = userLine;
  m_rinuLine = reply;
  return WriteEntry(settings, Entry::kExchange);
}

LogOutcome ConversationLog::WriteEndEntry(const SettingsStore& settings,
                                          const std::string& lastLine) {
  m_rinuLine = lastLine;
  return WriteEntry(settings, Entry::kEnd);
}

LogOutcome ConversationLog::WriteNote(const SettingsStore& settings, const std::string& note) {
  const int mode = settings.GetLogMode();
  if (mode == TEXT) return Append(kTextLog, Fill(kTextNote, {note}), kTextNoteFailed);
  if (mode == HTML) return Append(kHtmlLog, Fill(kHtmlNote, {EscapeHtml(note)}), kHtmlNoteFailed);
  if (mode == NOLOG) return {LogResult::kNotKept, ""};
  return {LogResult::kWrongMode, kWrongModeNote};
}

LogOutcome ConversationLog::WriteEntry(const SettingsStore& settings, Entry entry) {
  const int mode = settings.GetLogMode();
  if (mode == NOLOG) return {LogResult::kNotKept, ""};
  if (mode != TEXT && mode != HTML) {
    static constexpr const char* kWrongMode[] = {kWrongModeExchange, kWrongModeStart,
                                                 kWrongModeEnd};
    return {LogResult::kWrongMode, kWrongMode[static_cast<int>(entry)]};
  }
  const bool html = mode == HTML;
  auto inserted = [html](const std::string& text) { return html ? EscapeHtml(text) : text; };
  std::string stamp;
  if (entry != Entry::kExchange) {
    m_clock = std::make_unique<LogClock>(m_persona.clock());
    stamp = m_clock->Now();
    m_clock.reset();
  }
  const std::string nickname = inserted(settings.GetName(1));
  const std::string rinuLine = inserted(m_rinuLine);
  std::string text;
  switch (entry) {
    case Entry::kExchange:
      text = Fill(html ? kHtmlExchange : kTextExchange,
                  {inserted(m_speaker), inserted(m_userLine), nickname, rinuLine});
      break;
    case Entry::kStart:
      text = Fill(html ? kHtmlStart : kTextStart, {stamp, nickname, rinuLine});
      break;
    case Entry::kEnd:
      text = Fill(html ? kHtmlEnd : kTextEnd, {nickname, rinuLine, stamp});
      break;
  }
  return Append(html ? kHtmlLog : kTextLog, text, html ? kHtmlEntryFailed : kTextEntryFailed);
}

LogToShow ConversationLog::ShowLog(const SettingsStore& settings) const {
  const int mode = settings.GetLogMode();
  LogToShow shown;
  shown.file = mode == TEXT ? kTextLog : mode == HTML ? kHtmlLog : nullptr;
  if (mode == NOLOG) shown.message = kNoLogMessage;
  return shown;
}
