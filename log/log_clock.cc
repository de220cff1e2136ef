#include "log/log_clock.h"

#include <cstdio>

namespace {

constexpr const char* kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr const char* kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                   "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

}  // namespace

LogClock::LogClock(core::Clock& clock) : m_source(clock) {}

LogClock::~LogClock() = default;

std::string LogClock::Now() {
  m_time = m_source.Now();
  if (!localtime_r(&m_time, &m_local)) m_local = std::tm{};
  // Formatted here rather than by asctime, whose day is padded with a blank on this platform
  // and which may overrun its buffer for years past 9999.
  int wday = m_local.tm_wday >= 0 && m_local.tm_wday < 7 ? m_local.tm_wday : 0;
  int mon = m_local.tm_mon >= 0 && m_local.tm_mon < 12 ? m_local.tm_mon : 0;
  char stamp[64];
  std::snprintf(stamp, sizeof stamp, "%s %s %02d %02d:%02d:%02d %lld\n", kWeekdays[wday],
                kMonths[mon], m_local.tm_mday, m_local.tm_hour, m_local.tm_min, m_local.tm_sec,
                static_cast<long long>(m_local.tm_year) + 1900);
  return stamp;
}
