// The duet window: the window's persona talks with the persona of another working folder
// (chat::Duet). The user chooses the partner's folder (typed, or with 参照, the backend's
// folder dialog), the number of lines (1 to 1000), the pause between them (0 to 5000 ms) and
// an optional first line, which the partner says. 開始 checks the folder (a refused one is
// told with its reason, and nothing is written), then the window's timer says one line per
// firing, so the window stays usable while they talk; the transcript shows every line,
// newest first, as the chat window does. 停止 stops after the line being made; 閉じる, Esc and
// the close box stop first. A file that cannot be written stops the duet and says so. A
// backend without a timer runs the whole duet at once. 新しい相手を作る makes a partner in a
// folder the user chooses (it must be empty): the default data, or a copy of this persona's
// memory when この子の記憶をコピーする is ticked, then the first-run setup for its names; the
// partner field then names it. The persona and the backend are borrowed.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/dialog_user.h"
#include "chat/duet.h"
#include "core/persona.h"
#include "ui/dialog.h"

class DuetDialog : public ui::Dialog {
 public:
  // Makes the partner's persona on a folder path.
  using PartnerMaker = std::function<std::unique_ptr<core::Persona>(const std::string& path)>;

  // The partner is made by `make_partner`, or with its own random source and the system
  // clock when none is given.
  DuetDialog(core::Persona& persona, ui::Backend& backend, PartnerMaker make_partner = {});
  ~DuetDialog() override;

  std::string m_strFolder;
  int m_nExchanges = 20;
  int m_nPause = 800;  // milliseconds
  std::string m_strFirst;

  static constexpr int kMaxExchanges = 1000;
  static constexpr int kMaxPause = 5000;

  bool running() const { return m_running; }
  // Lines said in the running or last duet (the partner's first line included).
  int lines() const { return m_duet ? m_duet->lines() : 0; }
  // Where a new partner's default files are looked for (DefaultDataPlaces unless set).
  void set_default_places(std::vector<std::string> places) { m_defaultPlaces = std::move(places); }

 protected:
  void DoDataExchange(ui::DataExchange& dx) override;
  bool OnInitDialog() override;
  void OnOK() override;
  void OnCancel() override;
  bool OnCommand(int id) override;
  void OnTimer() override;
  bool ReadsText(int command, int control) const override;

 private:
  void OnBrowse();
  void OnNewPartner();
  void OnStart();
  // Ends the running duet: its end entries, and the reason when it stopped by itself.
  void Finish();
  // Says the next line; false when the duet is over.
  bool SayNext();
  void ShowTranscript();

  core::Persona& m_persona;
  DialogUser m_user;
  PartnerMaker m_makePartner;
  std::vector<std::string> m_defaultPlaces;
  std::unique_ptr<core::Persona> m_partner;
  std::unique_ptr<chat::Duet> m_duet;
  int m_said = 0;  // lines said by the duet's Step
  bool m_running = false;
};
