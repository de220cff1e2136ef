// The words that tell the user why a record cannot go into memory.dat so that it reads back
// as written (core's CheckStorable decides). Teaching and the memory book refuse with them.
#pragma once

#include "core/record_format.h"

// The message for `problem`; null for StoreProblem::kNone.
const char* NotStorableMessage(StoreProblem problem);
