// The clock a persona reads for its log's time stamps: the system's, or in tests a fixed one.
#pragma once

#include <ctime>

namespace core {

class Clock {
 public:
  virtual ~Clock() = default;
  virtual std::time_t Now() = 0;
};

class SystemClock : public Clock {
 public:
  std::time_t Now() override { return std::time(nullptr); }
};

}  // namespace core
