#include "app/default_data.h"

#include <unistd.h>

#include <climits>

std::vector<std::string> DefaultDataPlaces() {
  char exe[PATH_MAX];
  const ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
  if (n <= 0) return {};
  std::string dir(exe, static_cast<size_t>(n));
  dir.resize(dir.rfind('/') + 1);
  return {dir + RINU_PROGRAM_TO_DATA, dir + "../data"};
}
