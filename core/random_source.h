// Every random draw of the program goes through Rand(). The default source is the standard
// rand(), seeded once by the chat window; tests install a source with an exact sequence.
#pragma once

namespace core {

class RandomSource {
 public:
  virtual ~RandomSource() = default;
  // A value from 0 to RAND_MAX.
  virtual int Next() = 0;
};

int Rand();
void SeedRandom(unsigned seed);
// Installs `source` (borrowed; nullptr brings back the standard rand()).
void SetRandomSource(RandomSource* source);

}  // namespace core
