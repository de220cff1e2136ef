#include "memory/word_memory.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/persona_files.h"
#include "core/record_format.h"
#include "core/record_scan.h"
#include "core/text_codec.h"
#include "core/text_file.h"
#include "memory/record_check.h"

namespace {

using core::kMemoryFile;

constexpr const char* kCannotWrite =
    "memory.datファイルに書き込み出来ません。\n読み込み専用になっている可能性があります。";
constexpr const char* kWriteFailed = "書き込みに失敗しました。";
constexpr const char* kNothingToForget = "その言葉に対する忘れる言葉はありませんでした。";
constexpr const char* kCannotForget = "忘れることが出来ませんでした";
constexpr const char* kCannotOpen = "ファイルがオープンできませんでした";
constexpr const char* kChangedMeanwhile =
    "一覧を出したあとでmemory.datが変わったため、何も忘れさせませんでした。\n"
    "もう一度やり直してください。";

}  // namespace

LearnMarker FindLearnMarker(std::string_view line) {
  LearnMarker marker;
  marker.at = line.find("===");
  if (marker.at != std::string_view::npos) marker.size = 3;
  // "＝" is a double-byte character whose bytes can also end another character, so the
  // full-width marker is looked for character by character.
  constexpr std::string_view kWide = "＝＝＝";
  for (size_t i = 0; i < line.size() && i < marker.at; ++i) {
    if (line.compare(i, kWide.size(), kWide) == 0) {
      marker.at = i;
      marker.size = kWide.size();
      break;
    }
    if (core::IsLeadByte(static_cast<unsigned char>(line[i]))) ++i;
  }
  return marker;
}

WordMemory::WordMemory(core::Persona& persona)
    : m_folder(persona.folder()), m_index(persona.memory_index()), m_copy(m_folder, kMemoryFile) {}

WordMemory::~WordMemory() = default;

core::Outcome WordMemory::LearnFromLine(const std::string& line) {
  std::string keyword;
  std::string reply;
  if (!SplitLearnLine(keyword, reply, line))
    return core::Outcome::Of(core::Outcome::Kind::kRefused);
  return AppendRecord(keyword, reply);
}

bool WordMemory::SplitLearnLine(std::string& keyword, std::string& reply, const std::string& line) {
  // The line is zero-terminated text.
  std::string_view text(line.c_str());
  LearnMarker mark = FindLearnMarker(text);
  if (mark.at == std::string_view::npos) return false;
  keyword.assign(text.substr(0, mark.at));
  std::string_view rest = text.substr(mark.at + mark.size);
  reply.assign(rest.substr(0, rest.find('\n')));
  return true;
}

core::Outcome WordMemory::AppendRecord(const std::string& keyword, const std::string& reply) {
  std::string record = keyword;
  record += kRecordSeparator;
  record += reply;
  // A record that would read back as something else is not written at all.
  if (const char* why = NotStorableMessage(CheckStorable(record)))
    return core::Outcome::Refused(why);
  core::AppendResult result = m_index.AppendLine(StoredLine(record));
  if (result == core::AppendResult::kBusy) return core::Outcome::Failed(core::kFolderBusyMessage);
  if (result != core::AppendResult::kOk)
    return core::Outcome::Failed(kCannotWrite).And(kWriteFailed);
  return core::Outcome::Done();
}

core::Outcome WordMemory::List(const std::string& keyword) {
  // A list left by an earlier forget of this object is no list for this keyword.
  m_strMatches.clear();
  ListMatches(keyword);
  if (m_strMatches.empty()) return core::Outcome::Refused(kNothingToForget);
  return core::Outcome::Done();
}

bool WordMemory::ListMatches(const std::string& keyword) {
  core::RecordScan scan(keyword, core::kForgetRules);
  m_listed.clear();
  if (!scan.Open(m_folder, kMemoryFile)) return false;
  m_keyword.assign(keyword.c_str());
  m_strMatches.clear();
  int count = 0;
  core::RecordScan::Piece piece;
  while (scan.NextMatch(&piece)) {
    ++count;
    m_strMatches += std::to_string(count);
    m_strMatches += " : ";
    m_listed.emplace_back(piece.text);
    core::RecordScan::AppendPlain(piece, &m_strMatches);
    // The first piece of a long line, or one a NUL cut short, has no line break of its own.
    if (m_strMatches.back() != '\n') m_strMatches.push_back('\n');
  }
  CollapseLineBreaks(m_strMatches);
  ExpandLineBreaks(m_strMatches);
  return true;
}

void WordMemory::CollapseLineBreaks(std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' && i > 0 && text[i - 1] == '\n') continue;
    out.push_back(text[i]);
  }
  text = std::move(out);
}

void WordMemory::ExpandLineBreaks(std::string& text) { text = core::ToCrLf(text); }

core::Outcome WordMemory::ForgetChosen(int n) {
  // From the scan that finds the chosen record to the rename, no other writer may change
  // memory.dat: what it appended meanwhile would be lost with the old file.
  core::FolderLock lock(m_folder);
  if (!lock.held()) return core::Outcome::Failed(core::kFolderBusyMessage);
  core::Outcome copied = CopyWithoutChosen(n, m_keyword);
  if (!copied.done()) return copied;
  m_keyword.clear();
  if (!CopyBack()) return core::Outcome::Failed(kCannotOpen);
  return core::Outcome::Done();
}

core::Outcome WordMemory::CopyWithoutChosen(int n, const std::string& keyword) {
  m_copy.Abort();
  core::RecordScan scan(keyword, core::kForgetRules);
  // Listed a moment ago, gone or unreadable now: nothing can be removed.
  if (!scan.Open(m_folder, kMemoryFile)) return core::Outcome::Failed(kCannotOpen);
  int out = m_copy.Begin();
  if (out >= 0) scan.CopyTo(out);
  int count = 0;
  bool found = false;
  // The entry chosen must still be the record the list showed under that number; another
  // program may have changed memory.dat since.
  const bool listed = n >= 1 && static_cast<size_t>(n) <= m_listed.size();
  bool same = false;
  core::RecordScan::Piece piece;
  while (scan.NextMatch(&piece)) {
    if (++count == n) {
      found = true;
      same = listed && piece.text == m_listed[static_cast<size_t>(n) - 1];
      if (same || !listed) scan.DropLine();
    }
  }
  // Half a copy is of no use to anyone: CopyBack refuses it.
  if (!scan.Finish()) m_copy.MarkFailed();
  if (listed && !same) {
    m_copy.Abort();
    return core::Outcome::Failed(kChangedMeanwhile);
  }
  if (!found) {
    m_copy.Abort();
    return core::Outcome::Failed(kCannotForget);
  }
  return core::Outcome::Done();
}

bool WordMemory::CopyBack() { return m_copy.Commit(); }
