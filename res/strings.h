// The program's string table: texts that are looked up by id, as the About entry of the
// chat window's system menu is. LoadString gives "" for an id the table does not hold.
#pragma once

#include <string>

#include "core/text_file.h"
#include "res/resource.h"

namespace res {

struct StringEntry {
  int id;
  const char* text;
};

inline constexpr StringEntry kStringTable[] = {
    {IDS_ABOUTBOX, "Rinu++ のﾊﾞｰｼﾞｮﾝ情報(&A)..."},
};

inline std::string LoadString(int id) {
  for (const StringEntry& entry : kStringTable) {
    if (entry.id == id) return entry.text;
  }
  return "";
}

// The persona's last line when the conversation ends.
inline constexpr const char* kFarewell = "ばいばーい";

// A writer that waited for the working folder's lock too long (core::kFolderBusyMessage).
inline constexpr const char* kFolderBusy = core::kFolderBusyMessage;

// The message when nothing could open `target` (a file of the working folder or an
// address) with the desktop's default program.
inline std::string CannotOpenMessage(const std::string& target) {
  return "「" + target +
         "」を開けませんでした。\n開くためのプログラム(xdg-open など)が"
         "入っているか、確認してください。";
}

}  // namespace res
