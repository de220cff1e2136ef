// Where the program finds the files a new persona starts with, as the launcher does: beside
// the installed program (share/rinu of its installation) or data/ of the build tree, both
// relative to the running program.
#pragma once

#include <string>
#include <vector>

// The places to look, in order.
std::vector<std::string> DefaultDataPlaces();
