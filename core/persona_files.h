// The files of a persona's working folder, by the names they have there: its data files, its
// settings, its logs and its help page. Every part of the program names them from here.
#pragma once

namespace core {

inline constexpr const char* kMemoryFile = "memory.dat";
inline constexpr const char* kBokeFile = "boke.dat";
inline constexpr const char* kNoFile = "no.dat";
inline constexpr const char* kSettingsFile = "set.ini";
inline constexpr const char* kTextLog = "log.txt";
inline constexpr const char* kHtmlLog = "log.html";
inline constexpr const char* kHelpPage = "help.html";

}  // namespace core
