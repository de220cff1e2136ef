// The random draws of a persona. Each persona carries its own source: the standard one,
// seeded once when the persona starts, or in tests a source with an exact sequence.
#pragma once

#include <cstdint>
#include <random>

namespace core {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A value from 0 to 2^31 - 1.
  virtual int Next() = 0;
};

// The standard generator behind the interface; the same seed gives the same draws.
class StandardRandom : public RandomSource {
 public:
  explicit StandardRandom(uint32_t seed) : m_engine(seed) {}
  int Next() override { return static_cast<int>(m_engine() >> 1); }

 private:
  std::mt19937 m_engine;
};

}  // namespace core
