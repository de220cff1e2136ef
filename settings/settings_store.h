// SettingsStore: the three settings kept in set.ini (the user's name, the persona's nickname
// and the log mode). A store reads the file only when Load is called and holds no file open
// between calls. A missing or damaged file is repaired through the first-run setup dialog;
// when set.ini cannot be written or read back, the user is told so and Load reports that the
// program must end (status 1). set.ini is the persona's; the persona and the backend are
// borrowed and must outlive the store.
#pragma once

#include <string>

#include "core/persona.h"
#include "ui/backend.h"

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
class SettingsStore {
 public:
  // Reads nothing: the values are empty names and log mode 1 until Load.
  SettingsStore(core::Persona& persona, ui::Backend& backend);
  virtual ~SettingsStore();

  // Reads and checks set.ini until a valid file has been read; returns 1. A missing file runs
  // the setup dialog; a damaged one (no line 1, no ":" in line 1, no line 2, no ":" in line 2,
  // no line 3) shows a message first. A log mode outside 0 to 3 becomes 1 and the file is
  // rewritten at once. 0, after a message, when set.ini cannot be written or read back: the
  // program must then end with status 1.
  int Load();
  // Reads set.ini as Load does, but repairs, writes and shows nothing: true when the file
  // exists, passes the five checks and gives a log mode that writes or keeps nothing (0 to
  // 2); the values are then taken in. For a folder whose own user is not at hand.
  bool LoadChecked();
  // Asks for the settings in the setup dialog and writes them; returns 1. 0, after a
  // message, when the file cannot be written: the program must then end with status 1.
  int RunSetup();
  // Writes the three fields to set.ini, whole into a new file that then replaces the old one.
  // Returns 1, or shows a message and returns 0 (the old file is then untouched).
  int Save();
  // Replaces all three fields; an empty name replaces like any other.
  void Assign(const std::string& userName, const std::string& nickname, const int& logMode);
  // 0: the user's name, 1: the persona's nickname. Any other index shows the error-03 message
  // and gives "NULL".
  std::string GetName(int index) const;
  int GetLogMode() const { return m_logMode; }

 private:
  // The file's content for the three fields, with CR LF line ends.
  std::string Content() const;
  // Writes Content() over set.ini; false when it could not.
  bool WriteSettingsFile() const;

  core::Persona* m_persona;
  ui::Backend* m_backend;
  std::string m_userName;
  std::string m_nickname;
  int m_logMode = HTML;
};
