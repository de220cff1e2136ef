#include "settings/settings_store.h"

#include <cerrno>
#include <climits>
#include <string_view>

#include "core/persona_files.h"
#include "core/text_codec.h"
#include "core/text_file.h"

namespace {

constexpr const char* kFileName = core::kSettingsFile;
// A line is read into room for 128 bytes, its terminator included: 127 bytes at a time.
constexpr size_t kReadUnit = 127;
constexpr size_t kMaxValueBytes = 103;

constexpr const char* kDamagedMessage = "set.iniファイルが不正です。\n再度名前を入力してください。";
constexpr const char* kCannotSaveMessage =
    "set.iniを保存できません。\nフォルダーとset.iniに書き込めるか確認してください。";
constexpr const char* kCannotSaveEndMessage =
    "set.iniを保存できません。\nフォルダーとset.iniに書き込めるか確認してください。\n"
    "プログラムを終了します。";
constexpr const char* kCannotReadEndMessage =
    "set.iniを読み込めません。\nset.iniが読み込めるか確認してください。\nプログラムを終了します。";

// The next line of the file without its line break: the first kReadUnit bytes of a longer
// line, whose rest is skipped. False when there is no further line.
bool ReadLine(core::TextReader& file, std::string* line) {
  core::TextReader::Piece piece;
  if (!file.Next(kReadUnit, &piece)) return false;
  line->assign(piece.text);
  while (!piece.line_end && file.Next(kReadUnit, &piece)) {
  }
  return true;
}

// The bytes after the first ":" of `line`, at most kMaxValueBytes of them and never ending
// in half a double-byte character. False when the line has no ":".
bool ValueAfterColon(std::string_view line, std::string* value) {
  size_t colon = line.find(':');
  if (colon == std::string_view::npos) return false;
  // ":" is never part of a double-byte character, so the value starts on a character.
  std::string_view rest = line.substr(colon + 1);
  value->assign(
      core::CutToBytes(rest, rest.size() < kMaxValueBytes ? rest.size() : kMaxValueBytes));
  return true;
}

// The decimal number at the start of `line`, as atoi reads it, but saturating instead of
// overflowing.
int LeadingNumber(std::string_view line) {
  size_t i = 0;
  auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\v' || c == '\f' || c == '\r'; };
  while (i < line.size() && blank(line[i])) ++i;
  bool negative = false;
  if (i < line.size() && (line[i] == '+' || line[i] == '-')) negative = line[i++] == '-';
  long long value = 0;
  for (; i < line.size() && line[i] >= '0' && line[i] <= '9'; ++i) {
    value = value * 10 + (line[i] - '0');
    if (value > static_cast<long long>(INT_MAX) + 1) value = static_cast<long long>(INT_MAX) + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) value = INT_MAX;
  return static_cast<int>(value);
}

// A name as written to the file: up to its first LF or Ctrl-Z, either of which would end
// the line or the file for the reader. The edit fields never give one.
std::string_view OneLine(std::string_view name) {
  return name.substr(0, name.find_first_of(std::string_view("\n\x1A", 2)));
}

// set.ini exists but cannot be read: the file and the error, and the end of the program.
std::string CannotReadMessage(int error) {
  return std::string("set.iniを読み込めません。\n") + core::ErrorText(error) +
         "\nset.iniが読み込めるか確認してください。\nプログラムを終了します。";
}

}  // namespace

SettingsStore::SettingsStore(core::Persona& persona) : m_persona(&persona) {}

SettingsStore::~SettingsStore() = default;

SettingsStore::State SettingsStore::Read(core::Outcome* told, bool written_by_setup) {
  core::TextReader file;
  if (!file.Open(m_persona->folder(), kFileName)) {
    // The file just written cannot be opened again: asking again would not help.
    if (written_by_setup) {
      told->And(kCannotReadEndMessage);
      return State::kFailed;
    }
    if (file.open_error() == ENOENT) return State::kMissing;
    told->And(CannotReadMessage(file.open_error()));
    return State::kFailed;
  }
  std::string line1, line2, line3;
  std::string userName, nickname;
  // The five checks, in order.
  const bool valid = ReadLine(file, &line1) && ValueAfterColon(line1, &userName) &&
                     ReadLine(file, &line2) && ValueAfterColon(line2, &nickname) &&
                     ReadLine(file, &line3);
  if (!valid) {
    // A read error is no damage: what could not be read may be perfectly good.
    if (file.failed()) {
      told->And(CannotReadMessage(file.read_error()));
      return State::kFailed;
    }
    // The file just written does not read back as written (changed meanwhile): asking again
    // would not help.
    told->And(written_by_setup ? kCannotReadEndMessage : kDamagedMessage);
    return written_by_setup ? State::kFailed : State::kDamaged;
  }
  file.Close();
  m_userName = std::move(userName);
  m_nickname = std::move(nickname);
  m_logMode = LeadingNumber(line3);
  if (m_logMode < 0 || m_logMode > 3) {
    m_logMode = HTML;
    // When the file cannot be rewritten (read-only), the mode read stays 1 all the same and
    // the next Read tries again; the values in use are valid either way.
    WriteSettingsFile(told);
  }
  return State::kValid;
}

bool SettingsStore::LoadChecked() {
  core::TextReader file;
  if (!file.Open(m_persona->folder(), kFileName)) return false;
  std::string line1, line2, line3;
  std::string userName, nickname;
  bool valid = ReadLine(file, &line1) && ValueAfterColon(line1, &userName) &&
               ReadLine(file, &line2) && ValueAfterColon(line2, &nickname) &&
               ReadLine(file, &line3);
  if (!valid || file.failed()) return false;
  const int mode = LeadingNumber(line3);
  if (mode < NOLOG || mode > TEXT) return false;
  m_userName = std::move(userName);
  m_nickname = std::move(nickname);
  m_logMode = mode;
  return true;
}

core::Outcome SettingsStore::WriteSetup(const SettingsValues& values) {
  m_userName = values.user_name;
  m_nickname = values.nickname;
  m_logMode = values.log_mode;
  core::Outcome outcome;
  if (!WriteSettingsFile(&outcome)) {
    // Without a file the next Read would ask again and again.
    outcome.kind = core::Outcome::Kind::kFailed;
    outcome.And(kCannotSaveEndMessage);
  }
  return outcome;
}

core::Outcome SettingsStore::Save() {
  core::Outcome outcome;
  if (WriteSettingsFile(&outcome)) return outcome;
  outcome.kind = core::Outcome::Kind::kFailed;
  outcome.And(kCannotSaveMessage);
  return outcome;
}

void SettingsStore::Assign(const std::string& userName, const std::string& nickname,
                           const int& logMode) {
  m_userName = userName;
  m_nickname = nickname;
  m_logMode = logMode;
}

std::string SettingsStore::GetName(int index) const {
  if (index == 0) return m_userName;
  if (index == 1) return m_nickname;
  return "NULL";
}

std::string SettingsStore::Content() const {
  std::string content = "YourName:";
  content += OneLine(m_userName);
  content += "\r\nRinuName:";
  content += OneLine(m_nickname);
  content += "\r\n";
  content += std::to_string(m_logMode);
  content += "\r\n";
  return content;
}

bool SettingsStore::WriteSettingsFile(core::Outcome* told) const {
  if (core::ReplaceFile(m_persona->folder(), kFileName, Content())) return true;
  if (errno == EWOULDBLOCK) told->And(core::kFolderBusyMessage);
  return false;
}
