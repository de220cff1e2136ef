#include "core/random_source.h"

#include <cstdlib>

namespace core {
namespace {
RandomSource* g_source = nullptr;
}  // namespace

int Rand() { return g_source ? g_source->Next() : std::rand(); }
void SeedRandom(unsigned seed) { std::srand(seed); }
void SetRandomSource(RandomSource* source) { g_source = source; }

}  // namespace core
