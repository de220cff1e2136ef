// The program's version information: what file properties and the desktop entry show of it.
// The program itself never reads it. packaging/CMakeLists.txt checks kFileVersion against
// the project's version and puts it in the desktop entry, so it stays on one line.
#pragma once

namespace res {

inline constexpr int kFileVersion[4] = {1, 0, 0, 0};
inline constexpr int kProductVersion[4] = {1, 0, 0, 0};
inline constexpr const char* kVersionString = "1, 0, 0, 0";
inline constexpr const char* kFileDescription = "Rinu++ver1.00";
inline constexpr const char* kInternalName = "Rinu++ver1.00";
inline constexpr const char* kOriginalFilename = "Rinu++ver1.00";
inline constexpr const char* kProductName = "Rinu++アプリケーション";
inline constexpr const char* kComments = "Rinu初のGUIです";
inline constexpr const char* kCompanyName = "";
inline constexpr const char* kLegalTrademarks = "";
inline constexpr const char* kPrivateBuild = "";
inline constexpr const char* kSpecialBuild = "";

}  // namespace res
