// LogClock: reads the clock once for a log entry and gives the time stamp of the start and
// end entries. Tests fix the time through SetTimeSourceForTesting; the local time zone is
// the process's (TZ).
#pragma once

#include <ctime>
#include <string>

class LogClock {
 public:
  LogClock();
  virtual ~LogClock();

  // The local time as 24 characters and a line break: "Wed Mar 06 09:05:07 2024\n". The day
  // always has two digits (a leading zero below 10).
  std::string Now();

  // Replaces the system clock for every LogClock; nullptr brings the system clock back.
  using TimeSource = std::time_t (*)();
  static void SetTimeSourceForTesting(TimeSource source);

 private:
  std::tm m_local{};
  std::time_t m_time = 0;
};
