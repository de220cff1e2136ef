#include "chat/duet.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/persona_files.h"
#include "core/text_file.h"

namespace chat {
namespace {

constexpr const char* kSide[2] = {"自分のフォルダ", "相手のフォルダ"};
constexpr const char* kSameFolder =
    "相手のフォルダが自分のフォルダと同じです。\n別のRinu++のフォルダを選んでください。";
constexpr const char* kNotFound = "が見つかりません。\nフォルダの場所を確かめてください。";
constexpr const char* kCannotOpen = "を開けません。\n";
constexpr const char* kCheckFolder = "\nフォルダがあるか、開けるか確認してください。";
constexpr const char* kMissingFiles = "にファイルが足りません。\n足りないファイル:";
constexpr const char* kNoSettings =
    "のset.iniがないか、正しくありません。\nそのフォルダでRinu++を一度起動して、"
    "名前とログモード（ログなし、HTML、テキスト）を設定してください。";
// The same reasons in one line each, for a front end that names the folder itself.
constexpr const char* kNotFoundReason = "見つかりません";
constexpr const char* kCannotOpenReason = "開けません: ";
constexpr const char* kSameFolderReason = "もうひとつのフォルダと同じフォルダです";
constexpr const char* kMissingFilesReason = "ファイルが足りません:";
constexpr const char* kNoSettingsReason =
    "set.iniがないか、正しくありません（そのフォルダでRinu++を一度起動して、名前とログモードを"
    "設定してください）";
constexpr const char* kWriteStop = "のフォルダに書き込めなかったので、会話を止めました。";
constexpr const char* kReadStop =
    "のフォルダのファイル（set.ini、no.dat、boke.dat）が読めなくなったので、会話を止めました。";

}  // namespace

Duet::Duet(core::Persona& a, core::Persona& b, User& user)
    : m_personaA(a),
      m_personaB(b),
      m_a(a, user),
      m_b(b, user),
      m_saidToB(*this, m_b),
      m_saidToA(*this, m_a) {}

int Duet::Said::Age(const std::string& reply) const {
  std::string said = reply;
  InsertName(said, m_partner.Nickname());
  auto at = m_duet.m_lastSaid.find(said);
  return at == m_duet.m_lastSaid.end() ? 0 : m_duet.m_lines - at->second + 1;
}

std::string Duet::Refuse(int side, const std::string& message, const std::string& reason) {
  m_refusedSide = side;
  m_refusedReason = reason;
  return message;
}

std::string Duet::Open() {
  core::Persona* personas[2] = {&m_personaA, &m_personaB};
  for (int side = 0; side < 2; ++side) {
    core::Folder& folder = personas[side]->folder();
    if (!folder.ok() && (folder.open_error() == ENOENT || folder.open_error() == ENOTDIR))
      return Refuse(side, kSide[side] + std::string(kNotFound), kNotFoundReason);
    if (!folder.ok())
      return Refuse(side,
                    kSide[side] + std::string(kCannotOpen) + core::ErrorText(folder.open_error()) +
                        kCheckFolder,
                    kCannotOpenReason + core::ErrorText(folder.open_error()));
  }
  // The same folder by another path (a link, "..", a bind mount) is still the same folder.
  struct stat st[2];
  for (int side = 0; side < 2; ++side) {
    if (personas[side]->folder().Stat(".", &st[side]) != 0)
      return Refuse(side,
                    kSide[side] + std::string(kCannotOpen) + core::ErrorText(errno) + kCheckFolder,
                    kCannotOpenReason + core::ErrorText(errno));
  }
  if (st[0].st_dev == st[1].st_dev && st[0].st_ino == st[1].st_ino)
    return Refuse(1, kSameFolder, kSameFolderReason);
  for (int side = 0; side < 2; ++side) {
    std::string missing;
    for (const char* name : {core::kMemoryFile, core::kBokeFile, core::kNoFile}) {
      if (!core::CanRead(personas[side]->folder(), name)) missing += std::string(" ") + name;
    }
    if (!missing.empty())
      return Refuse(side, kSide[side] + std::string(kMissingFiles) + missing,
                    kMissingFilesReason + missing);
  }
  Conversation* conversations[2] = {&m_a, &m_b};
  for (int side = 0; side < 2; ++side) {
    if (!conversations[side]->StartChecked())
      return Refuse(side, kSide[side] + std::string(kNoSettings), kNoSettingsReason);
  }
  m_opened = true;
  return std::string();
}

void Duet::Say(const std::string& speaker, const std::string& line) {
  m_transcript = speaker + ">" + line + (m_transcript.empty() ? "" : "\n") + m_transcript;
  m_lastLine = line;
  ++m_lines;
  m_lastSaid[line] = m_lines;
}

void Duet::Fail(int side, const char* what) {
  m_failed[side] = true;
  m_stopped = true;
  if (m_failure.empty()) m_failure = (side == 0 ? m_a : m_b).Nickname() + what;
}

bool Duet::Begin(const std::string& first_line) {
  if (!m_opened || m_begun) return false;
  m_begun = true;
  if (!m_a.BeginWith(m_b.Nickname())) Fail(0, kWriteStop);
  if (!m_b.BeginWith(m_a.Nickname())) Fail(1, kWriteStop);
  if (m_stopped) return false;
  m_lastLine = first_line;
  if (!first_line.empty()) Say(m_b.Nickname(), first_line);
  m_next = 0;
  return true;
}

bool Duet::Step(std::string* speaker, std::string* line) {
  if (!m_begun || m_stopped || m_ended) return false;
  Conversation& self = m_next == 0 ? m_a : m_b;
  Conversation& other = m_next == 0 ? m_b : m_a;
  Outcome outcome = self.Answer(m_lastLine, other.Nickname(), m_next == 0 ? m_saidToB : m_saidToA);
  if (outcome.kind != Outcome::Kind::kReply) {
    Fail(m_next, kReadStop);
    return false;
  }
  // A reply whose entry or pair could not be written is still said, so the user sees the
  // line its folder could not keep; the duet stops after it.
  Say(self.Nickname(), outcome.reply);
  *speaker = self.Nickname();
  *line = outcome.reply;
  if (outcome.write_failed) Fail(m_next, kWriteStop);
  m_next = 1 - m_next;
  return true;
}

bool Duet::End() {
  if (!m_begun || m_ended) return true;
  m_ended = true;
  bool ok = true;
  if (!m_failed[0] && !m_a.EndWith()) {
    Fail(0, kWriteStop);
    ok = false;
  }
  if (!m_failed[1] && !m_b.EndWith()) {
    Fail(1, kWriteStop);
    ok = false;
  }
  return ok;
}

}  // namespace chat
