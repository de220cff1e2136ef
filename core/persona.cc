#include "core/persona.h"

#include <random>

#include "core/memory_index.h"
#include "core/persona_files.h"

namespace core {
namespace {

uint32_t FreshSeed() {
  // Two personas made in the same second must not draw alike.
  std::random_device device;
  return device();
}

}  // namespace

Persona::Persona(const std::string& path) : Persona(path, FreshSeed()) {}

Persona::Persona(const std::string& path, uint32_t seed)
    : m_folder(path),
      m_ownRandom(std::make_unique<StandardRandom>(seed)),
      m_ownClock(std::make_unique<SystemClock>()),
      m_random(m_ownRandom.get()),
      m_clock(m_ownClock.get()) {}

Persona::Persona(const std::string& path, RandomSource& random, Clock& clock)
    : m_folder(path), m_random(&random), m_clock(&clock) {}

Persona::~Persona() = default;

MemoryIndex& Persona::memory_index() {
  if (!m_memoryIndex) m_memoryIndex = std::make_unique<MemoryIndex>(m_folder, kMemoryFile);
  return *m_memoryIndex;
}

}  // namespace core
