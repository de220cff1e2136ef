#include "chat/new_persona.h"

#include <sys/stat.h>

#include <cerrno>

#include "core/text_codec.h"
#include "core/text_file.h"

namespace chat {
namespace {

constexpr const char* kNotEmpty =
    "」は空のフォルダではありません。\n新しいRinu++は、空のフォルダか、まだないフォルダに作ります。"
    "\n何も書き込んでいません。";
constexpr const char* kNoDefaults =
    "新しいRinu++の最初のファイル（memory.dat、boke.dat、no.dat）が見つかりません。\n探した場所:";
constexpr const char* kNoDefaultsTail =
    "\nRinu++をインストールし直してください。何も書き込んでいません。";
constexpr const char* kCannotMake = "」に新しいRinu++を作れませんでした。\n";
constexpr const char* kNothingLeft = "\nそのフォルダには何も残していません。";

// A path as the user reads it: Shift-JIS, with "?" for what Shift-JIS cannot hold.
std::string Shown(const std::string& path) {
  core::CodecResult sjis = core::Utf8ToSjis(path);
  if (sjis.ok) return sjis.text;
  std::string shown;
  for (unsigned char c : path) shown.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return shown;
}

NewPersona Outcome(NewPersona::Result result, std::string message) {
  NewPersona outcome;
  outcome.result = result;
  outcome.message = std::move(message);
  return outcome;
}

NewPersona Failed(const std::string& path, int error) {
  return Outcome(NewPersona::Result::kFailed,
                 "「" + Shown(path) + kCannotMake + core::ErrorText(error) + kNothingLeft);
}

bool ReadAll(core::Folder& folder, const std::string& name, std::string* bytes) {
  size_t read = 0;
  core::FileStamp stamp;
  return core::ReadWholeFile(
             folder, name,
             [&](size_t size) {
               bytes->resize(size);
               return bytes->data();
             },
             &read, &stamp) &&
         (bytes->resize(read), true);
}

}  // namespace

std::string NewPersonaQuestion(const std::string& path) {
  return "「" + Shown(path) +
         "」は空のフォルダか、まだないフォルダです。\nここに新しいRinu++を作りますか？";
}

bool IsUnusedFolder(const std::string& path) {
  core::Folder folder(path);
  if (!folder.ok()) return folder.open_error() == ENOENT;
  std::vector<std::string> names;
  return folder.List(&names) && names.empty();
}

NewPersona MakeNewPersona(const std::string& path, const std::vector<std::string>& default_places,
                          core::Folder* memory_from) {
  // The files first, so that nothing is made when they cannot be had.
  std::vector<std::pair<std::string, std::string>> files;
  for (const std::string& place : default_places) {
    core::Folder defaults(place);
    files.clear();
    for (const char* name : kDefaultFiles) {
      std::string bytes;
      if (ReadAll(defaults, name, &bytes)) files.emplace_back(name, std::move(bytes));
    }
    if (files.size() >= 3 && files[0].first == core::kMemoryFile &&
        files[1].first == core::kBokeFile && files[2].first == core::kNoFile)
      break;
    files.clear();
  }
  if (files.empty()) {
    std::string places;
    for (const std::string& place : default_places) places += "\n" + Shown(place);
    return Outcome(NewPersona::Result::kNoDefaults, kNoDefaults + places + kNoDefaultsTail);
  }
  if (memory_from && !ReadAll(*memory_from, core::kMemoryFile, &files[0].second))
    return Failed(memory_from->path(), errno);

  bool made_folder = false;
  if (::mkdir(path.c_str(), 0777) == 0)
    made_folder = true;
  else if (errno != EEXIST)
    return Failed(path, errno);
  core::Folder folder(path);
  if (!folder.ok()) return Failed(path, folder.open_error());
  core::FolderLock lock(folder);
  if (!lock.held()) return Failed(path, errno);
  std::vector<std::string> names;
  if (!folder.List(&names)) return Failed(path, errno);
  if (!names.empty()) return Outcome(NewPersona::Result::kNotEmpty, "「" + Shown(path) + kNotEmpty);
  for (size_t i = 0; i < files.size(); ++i) {
    if (core::ReplaceFile(folder, files[i].first, files[i].second)) continue;
    const int error = errno;
    // What was written goes again: the folder is as the user chose it.
    for (size_t j = 0; j < i; ++j) core::RemoveFile(folder, files[j].first);
    if (made_folder) ::rmdir(path.c_str());
    return Failed(path, error ? error : EIO);
  }
  return NewPersona();
}

}  // namespace chat
