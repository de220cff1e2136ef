// SettingsStore: the three settings kept in set.ini (the user's name, the persona's nickname
// and the log mode). A store reads the file only when Read is called and holds no file open
// between calls. It decides and shows nothing: Read says what it found (valid, missing,
// damaged, or a file that cannot be used, with the message), and whoever loads the settings
// (chat::LoadSettings) asks the user for a repair and writes it through WriteSetup. set.ini is
// the persona's; the persona is borrowed and must outlive the store.
#pragma once

#include <string>

#include "core/outcome.h"
#include "core/persona.h"

// Log modes as set.ini keeps them. 3 is also accepted on reading: every log entry then
// reports the settings file as wrong and writes nothing.
constexpr int NOLOG = 0;
constexpr int HTML = 1;
constexpr int TEXT = 2;

// How set.ini is read:
// - Lines end with CR LF or LF. Line 1 and line 2 give the bytes after their first ":" (the
//   text before it is not compared); line 3 gives the decimal number at its start (blanks
//   skipped, optional sign; no number gives 0, a number past the int range saturates).
//   Lines after the third are ignored.
// - A line is read into room for 128 bytes with its line end: of a longer line only the first
//   127 bytes count and the rest of it is skipped, so it never passes for the next line. A
//   ":" beyond those bytes is not found.
// - A name keeps at most 103 bytes and never ends in half a double-byte character: a longer
//   value is cut before the first character that does not fit whole.
// The three values as the setup and settings dialogs give them.
struct SettingsValues {
  std::string user_name;
  std::string nickname;
  int log_mode = HTML;
};

class SettingsStore {
 public:
  // Reads nothing: the values are empty names and log mode 1 until Read.
  explicit SettingsStore(core::Persona& persona);
  virtual ~SettingsStore();

  enum class State {
    kValid,    // read and checked; the values are taken in
    kMissing,  // no set.ini: a first start
    kDamaged,  // one of the five checks failed: the message comes before a new setup
    kFailed,   // the file cannot be used: after the message the program must end (status 1)
  };
  // Reads and checks set.ini once. The five checks: line 1, a ":" in it, line 2, a ":" in it,
  // line 3. A valid file with a log mode outside 0 to 3 gives mode 1, written at once (when it
  // cannot be, the mode read stays 1 all the same). `written_by_setup`: the file was just
  // written by a setup, so a file that does not read back is no case for another setup: the
  // program must end. Any error but a missing file (no permission, a folder, an I/O error)
  // leaves the file and the user's names alone: kFailed.
  State Read(core::Outcome* told, bool written_by_setup = false);
  // Reads set.ini as Read does, but repairs, writes and says nothing: true when the file
  // exists, passes the five checks and gives a log mode that writes or keeps nothing (0 to
  // 2); the values are then taken in. For a folder whose own user is not at hand.
  bool LoadChecked();
  // Takes in the values of a first-run setup (or a repair) and writes them. Failed, with its
  // messages, when the file cannot be written: the program must then end with status 1.
  core::Outcome WriteSetup(const SettingsValues& values);
  // Writes the three fields to set.ini, whole into a new file that then replaces the old one.
  // Failed, with its messages, when it could not (the old file is then untouched).
  core::Outcome Save();
  // Replaces all three fields; an empty name replaces like any other.
  void Assign(const std::string& userName, const std::string& nickname, const int& logMode);
  // 0: the user's name, 1: the persona's nickname; "NULL" for any other index.
  std::string GetName(int index) const;
  int GetLogMode() const { return m_logMode; }
  SettingsValues values() const { return {m_userName, m_nickname, m_logMode}; }

 private:
  // The file's content for the three fields, with CR LF line ends.
  std::string Content() const;
  // Writes Content() over set.ini; false when it could not, with why in `*told` when another
  // program held the folder too long.
  bool WriteSettingsFile(core::Outcome* told) const;

  core::Persona* m_persona;
  std::string m_userName;
  std::string m_nickname;
  int m_logMode = HTML;
};
