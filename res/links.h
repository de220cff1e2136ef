// The addresses the menu opens, from the one place that holds every address the program shows
// or opens (core/links.h), under the names the window's resources use.
#pragma once

#include "core/links.h"

namespace res {

using core::kMailToWex;
using core::kMakerHomePage;
using core::kMakerSiteName;
using core::kRinuPage;
using core::kSupportMail;
using core::kThanksSites;
using core::ThanksSite;

}  // namespace res
