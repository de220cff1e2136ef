// Test support for the duet's tests: the fixed time they run at and the log entries that
// frame a duet in a persona's text log at that time.
#pragma once

#include <ctime>
#include <string>

namespace duet_test {

inline const std::string kStamp = "Wed Mar 06 09:05:07 2024\r\n";
inline const std::string kRule = "---------------------------------------------------";
inline std::time_t g_now = 1709715907;  // kStamp in UTC

inline std::string StartEntry(const std::string& nick, const std::string& partner) {
  return kRule + "\r\nここからはじめる\t" + kStamp + "\r\n\r\n" + nick + ">" + partner +
         "君こんにちは。\r\n";
}
inline std::string EndEntry(const std::string& nick) {
  return nick + ">ばいばーい\r\n\r\nここまで\t\t" + kStamp + "\r\n" + kRule + "\r\n\r\n\r\n";
}

}  // namespace duet_test
