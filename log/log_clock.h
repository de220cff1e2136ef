// LogClock: reads the persona's clock once for a log entry and gives the time stamp of the
// start and end entries. Tests hand the persona a fixed clock; the local time zone is the
// process's (TZ).
#pragma once

#include <ctime>
#include <string>

#include "core/clock.h"

class LogClock {
 public:
  explicit LogClock(core::Clock& clock);
  virtual ~LogClock();

  // The local time as 24 characters and a line break: "Wed Mar 06 09:05:07 2024\n". The day
  // always has two digits (a leading zero below 10).
  std::string Now();

 private:
  core::Clock& m_source;
  std::tm m_local{};
  std::time_t m_time = 0;
};
