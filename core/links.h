// Every address the program shows or opens, and the names of the sites behind the menu, in
// one place, so that a distributor can change them here alone.
#pragma once

namespace core {

// Where users report errors (shown in the Err:0001 message).
inline constexpr const char* kSupportMail = "wex@example.org";

// The maker's site: its name is shown in the menu as NAME + "のホームページ(&H)".
inline constexpr const char* kMakerSiteName = "Wex Lab";
inline constexpr const char* kMakerHomePage = "https://wex.example.org/";
// The product's page.
inline constexpr const char* kRinuPage = "https://wex.example.org/rinu/";
// Mail to the maker, with the subject the mail program opens with.
inline constexpr const char* kMailToWex = "mailto:wex@example.org?subject=Rinuから";

// The three thanked sites, with their menu captions (access keys K, B and H).
struct ThanksSite {
  const char* caption;
  const char* address;
};
inline constexpr ThanksSite kThanksSites[3] = {
    {"こもれび工房(&K)", "https://komorebi.example.org/"},
    {"ぶんぶん文庫(&B)", "https://bunbun.example.org/"},
    {"ひだまり通信(&H)", "https://hidamari.example.org/"},
};

}  // namespace core
