// Persona: everything one persona's conversation works with apart from the user: its working
// folder (every file it reads or writes), its random source, its clock and the index of its
// memory.dat. One process may hold several. The persona owns its folder and its index; the
// random source and clock are its own (standard, seeded once when it is made; the system
// clock) unless borrowed ones are handed in, which must then outlive it. Domain objects
// borrow the persona.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "core/clock.h"
#include "core/folder.h"
#include "core/random_source.h"

namespace core {

class MemoryIndex;

class Persona {
 public:
  explicit Persona(const std::string& path);
  Persona(const std::string& path, uint32_t seed);
  Persona(const std::string& path, RandomSource& random, Clock& clock);
  ~Persona();
  Persona(const Persona&) = delete;
  Persona& operator=(const Persona&) = delete;

  Folder& folder() { return m_folder; }
  RandomSource& random() { return *m_random; }
  Clock& clock() { return *m_clock; }
  // A draw from 0 to 2^31 - 1.
  int Rand() { return m_random->Next(); }
  // The index of memory.dat, made on first use and kept for the persona's life: every turn,
  // and whatever else looks records up by keyword, shares it.
  MemoryIndex& memory_index();

 private:
  Folder m_folder;
  std::unique_ptr<RandomSource> m_ownRandom;
  std::unique_ptr<Clock> m_ownClock;
  RandomSource* m_random;
  Clock* m_clock;
  std::unique_ptr<MemoryIndex> m_memoryIndex;
};

}  // namespace core
