#include "settings/settings_store.h"

#include <cerrno>
#include <climits>
#include <string_view>

#include "core/text_codec.h"
#include "core/text_file.h"
#include "res/strings.h"
#include "settings/setup_dialog.h"
#include "ui/backend.h"

namespace {

constexpr const char* kFileName = "set.ini";
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
constexpr const char* kError03Message =
    "このメッセージが表示された場合はただちにWexにお知らせください。\n"
    "このメッセージは表示されるはずのないものです。\nエラーナンバー03です。";

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

SettingsStore::SettingsStore(core::Persona& persona, ui::Backend& backend)
    : m_persona(&persona), m_backend(&backend) {}

SettingsStore::~SettingsStore() = default;

int SettingsStore::Load() {
  core::TextReader file;
  // Opens set.ini again after the setup dialog wrote it; false, after the message, when the
  // file cannot be written or read back.
  auto setup_and_open = [&] {
    if (!RunSetup()) return false;
    if (file.Open(m_persona->folder(), kFileName)) return true;
    m_backend->MessageBox(kCannotReadEndMessage);
    return false;
  };
  bool written_by_setup = false;
  if (!file.Open(m_persona->folder(), kFileName)) {
    // Only a missing file is a first start. Any other error (no permission, a folder, an I/O
    // error) leaves the file and the user's names alone: the program ends.
    if (file.open_error() != ENOENT) {
      m_backend->MessageBox(CannotReadMessage(file.open_error()));
      return 0;
    }
    if (!setup_and_open()) return 0;
    written_by_setup = true;
  }
  for (;;) {
    std::string line1, line2, line3;
    std::string userName, nickname;
    // The five checks, in order.
    bool valid = ReadLine(file, &line1) && ValueAfterColon(line1, &userName) &&
                 ReadLine(file, &line2) && ValueAfterColon(line2, &nickname) &&
                 ReadLine(file, &line3);
    if (valid) {
      m_userName = std::move(userName);
      m_nickname = std::move(nickname);
      m_logMode = LeadingNumber(line3);
      break;
    }
    if (file.failed()) {
      // A read error is no damage: what could not be read may be perfectly good.
      m_backend->MessageBox(CannotReadMessage(file.read_error()));
      return 0;
    }
    file.Close();
    if (written_by_setup) {
      // The file just written does not read back as written (changed meanwhile, or a read
      // error): asking again would not help.
      m_backend->MessageBox(kCannotReadEndMessage);
      return 0;
    }
    m_backend->MessageBox(kDamagedMessage);
    if (!setup_and_open()) return 0;
    written_by_setup = true;
  }
  file.Close();
  if (m_logMode < 0 || m_logMode > 3) {
    m_logMode = HTML;
    // When the file cannot be rewritten (read-only), the mode read stays 1 all the same and
    // the next Load tries again; the values in use are valid either way.
    WriteSettingsFile();
  }
  return 1;
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

int SettingsStore::RunSetup() {
  SetupDialog dialog(*m_backend);
  dialog.m_nLogMode = HTML;
  dialog.DoModal();
  m_userName = dialog.m_strUserName;
  m_nickname = dialog.m_strNickname;
  m_logMode = dialog.m_nLogMode;
  if (!WriteSettingsFile()) {
    // Without a file the next Load would ask again and again.
    m_backend->MessageBox(kCannotSaveEndMessage);
    return 0;
  }
  return 1;
}

int SettingsStore::Save() {
  if (WriteSettingsFile()) return 1;
  m_backend->MessageBox(kCannotSaveMessage);
  return 0;
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
  m_backend->MessageBox(kError03Message);
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

bool SettingsStore::WriteSettingsFile() const {
  if (core::ReplaceFile(m_persona->folder(), kFileName, Content())) return true;
  if (errno == EWOULDBLOCK) m_backend->MessageBox(res::kFolderBusy);
  return false;
}
