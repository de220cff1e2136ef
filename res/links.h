// Every address the program shows or opens, in one place, so that a distributor can change
// them here alone.
#pragma once

namespace res {

// Where users report errors (shown in the Err:0001 message).
inline constexpr const char* kSupportMail = "wex@example.org";

}  // namespace res
