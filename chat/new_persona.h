// Making a new persona: a working folder that Rinu++ has never been started in (missing or
// empty) gets the files a first start gets, the default memory.dat, boke.dat, no.dat and
// help.html, or, for a partner made from a persona, a copy of that persona's memory.dat with
// the default boke.dat and no.dat. Its set.ini comes from the first-run setup afterwards. Shows
// nothing itself: the outcome carries the message a front end shows.
#pragma once

#include <string>
#include <vector>

#include "core/folder.h"
#include "core/persona_files.h"

namespace chat {

struct NewPersona {
  enum class Result {
    kMade,
    kNotEmpty,    // the folder holds something: nothing was written
    kNoDefaults,  // no place holds the default files: nothing was written
    kFailed,      // the folder could not be made or written: nothing was left in it
  };
  Result result = Result::kMade;
  std::string message;  // why not, for the user (Shift-JIS); empty when made
  bool made() const { return result == Result::kMade; }
};

// The files every new persona gets, and the one a partner made from a persona may take over.
inline constexpr const char* kDefaultFiles[] = {core::kMemoryFile, core::kBokeFile, core::kNoFile,
                                                core::kHelpPage};

// True when `path` is no folder yet, or an empty one: a place to make a new persona.
bool IsUnusedFolder(const std::string& path);
// The question a front end asks before it makes a new persona in `path` (Shift-JIS).
std::string NewPersonaQuestion(const std::string& path);

// Makes the folder `path` when it is missing (its parent must exist) and writes the files,
// under the folder's lock. The default files are taken from the first of `default_places` that
// holds memory.dat, boke.dat and no.dat (help.html when it is there too). With `memory_from`
// the new persona's memory.dat is a copy of that folder's.
NewPersona MakeNewPersona(const std::string& path, const std::vector<std::string>& default_places,
                          core::Folder* memory_from = nullptr);

}  // namespace chat
