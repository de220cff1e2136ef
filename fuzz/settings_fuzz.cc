// set.ini load and repair (SettingsStore) on any file. Input fields, separated by "@@":
// the log mode the setup dialog chooses (a digit; an "x" after it: no set.ini at all), the
// bytes of set.ini, the user's name and the nickname as typed into the setup dialog.
// Properties: a load never ends the program in a folder that can be written; what it leaves
// behind loads again to the same three values without any dialog; and settings saved (names
// as the dialogs give them, modes 0 to 2) read back as written.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/dialog_user.h"
#include "chat/conversation.h"
#include "core/text_codec.h"
#include "fuzz/fuzz_support.h"
#include "res/resource.h"
#include "settings/settings_store.h"
#include "testing/scripted_backend.h"

namespace {

namespace ts = testing_support;

// --- SettingsStore, as this target uses it.
struct Settings {
  std::string user_name;
  std::string nickname;
  int log_mode = 0;
  bool operator==(const Settings&) const = default;
};

// Loads set.ini as a turn does (repairing it through the setup dialog if need be). In a
// folder that can be written a load always succeeds.
Settings Load(ui::Backend& backend) {
  SettingsStore store(fuzz::CurrentPersona());
  DialogUser user(backend);
  if (!chat::LoadSettings(store, user)) fuzz::Fail("set.ini could not be loaded");
  return {store.GetName(0), store.GetName(1), store.GetLogMode()};
}

// Writes `s` to set.ini as the settings dialog's OK does; false when it could not.
bool Save(const Settings& s) {
  SettingsStore store(fuzz::CurrentPersona());
  store.Assign(s.user_name, s.nickname, s.log_mode);
  return store.Save().done();
}
// --- End of the store's use.

void QueueSetup(ts::ScriptedBackend& backend, std::string_view user_name, std::string_view nickname,
                int mode) {
  backend.When(IDD_SETUP, {ts::Type(IDC_SETUP_USER_NAME, std::string(user_name)),
                           ts::Type(IDC_SETUP_RINU_NAME, std::string(nickname)),
                           ts::Choose(IDC_LOG_NONE + mode), ts::Press(ui::IDOK)});
}

// A name as a dialog field gives it: one line of Shift-JIS text of at most 100 bytes.
std::string AsTyped(std::string_view text) {
  std::string name;
  for (char c : text) {
    if (static_cast<unsigned char>(c) >= 0x20 && c != 0x7F) name.push_back(c);
  }
  name = std::string(core::CutToBytes(name, 100));
  core::CodecResult valid = core::SjisToUtf8(name);
  if (!valid.ok) name.resize(valid.error_offset);
  return name;
}

std::string Describe(const Settings& s) {
  return "[" + s.user_name + "] [" + s.nickname + "] " + std::to_string(s.log_mode);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Fields fields(data, size);
  fuzz::Run run;
  const int mode = fuzz::SmallNumber(fields[0]) % 3;
  if (fields[0].find('x') == std::string_view::npos) fuzz::WriteFile("set.ini", fields[1]);

  QueueSetup(run.backend(), fields[2], fields[3], mode);
  const Settings loaded = Load(run.backend());
  const size_t dialogs = run.backend().dialogs().size();
  const Settings again = Load(run.backend());
  if (run.backend().dialogs().size() != dialogs) fuzz::Fail("the repaired set.ini asks again");
  if (again != loaded) {
    fuzz::Fail("set.ini loads as " + Describe(again) + " after " + Describe(loaded));
  }

  const Settings written{AsTyped(fields[2]), AsTyped(fields[3]), mode};
  if (!Save(written)) fuzz::Fail("set.ini could not be saved");
  const Settings read = Load(run.backend());
  if (read != written) fuzz::Fail("saved " + Describe(written) + ", read " + Describe(read));
  return 0;
}
