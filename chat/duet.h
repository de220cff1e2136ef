// Duet: two personas talk to each other, apart from any window. A is the persona of the
// window (or the first folder named), B its partner. They take turns: each line one says is
// the line the other answers through Conversation::Answer, so each learns its pairs, logs in
// its own log and log mode and sees the other's nickname where it would see the user's. A
// start entry and an end entry frame the duet in each log. The duet remembers every line said
// in it, so that neither persona says again a line said lately (ReplyEngine::MakeReply says how
// it chooses) and neither stores an echo or a pair it already holds.
//
// Open checks both folders before anything is written and refuses, with the reason as the
// user reads it, a partner that is A's own folder (by any path), a folder that cannot be
// opened, one without memory.dat, boke.dat or no.dat, and one without a valid set.ini (no
// setup dialog comes up for a folder whose user is not at hand). Step makes one line at a
// time, so a front end can pause or stop between lines. A file that cannot be written in
// either folder stops the duet: the failed entry or pair leaves nothing behind (every write is
// an atomic append), and failure() says what happened. The messages of either persona go to
// the user. The personas and the user are borrowed and must outlive the duet.
#pragma once

#include <string>
#include <unordered_map>

#include "chat/conversation.h"
#include "chat/user.h"
#include "core/persona.h"

namespace chat {

class Duet {
 public:
  Duet(core::Persona& a, core::Persona& b, User& user);
  Duet(const Duet&) = delete;
  Duet& operator=(const Duet&) = delete;

  // Checks both folders and reads both set.ini; writes nothing. Empty when the duet may
  // begin, otherwise why not (Shift-JIS, for a message box: it names the folder as "自分の
  // フォルダ" or "相手のフォルダ").
  std::string Open();
  // After a refusal: the folder refused (0: A's, 1: B's) and why, in one line that does not
  // name the folder, for a front end that names it by its path.
  int refused_side() const { return m_refusedSide; }
  const std::string& refused_reason() const { return m_refusedReason; }
  // Writes the start entries. `first_line` is B's opening line, which A answers first; when
  // it is empty A opens with its answer to an empty line (a line of its no.dat). False when
  // an entry could not be written: the duet is over (failure()).
  bool Begin(const std::string& first_line);
  // One line: the next persona answers the line said last. Its nickname and its line go to
  // `*speaker` and `*line`. False when no line was said: the duet had stopped, or stops now
  // because a file could not be read (failure()). A line whose entry or pair could not be
  // written is still said (true), and the duet stops after it: stopped().
  bool Step(std::string* speaker, std::string* line);
  // Writes the end entries, once, in each folder that has not failed; no Step after it.
  // False when one could not be written.
  bool End();

  // Every line said, "nickname>line", newest first, separated by LF.
  const std::string& transcript() const { return m_transcript; }
  // Why the duet stopped by itself; empty while it has not.
  const std::string& failure() const { return m_failure; }
  bool stopped() const { return m_stopped; }
  // The lines said so far (B's opening line included).
  int lines() const { return m_lines; }
  std::string NicknameA() const { return m_a.Nickname(); }
  std::string NicknameB() const { return m_b.Nickname(); }

 private:
  // The lines said so far as one persona sees them: "NAME" in its replies is its partner.
  class Said : public ReplyEngine::DuetLines {
   public:
    Said(const Duet& duet, const Conversation& partner) : m_duet(duet), m_partner(partner) {}
    int Age(const std::string& reply) const override;

   private:
    const Duet& m_duet;
    const Conversation& m_partner;
  };

  // Notes a refusal of Open and returns `message`.
  std::string Refuse(int side, const std::string& message, const std::string& reason);
  // Says `line` as `speaker` into the transcript.
  void Say(const std::string& speaker, const std::string& line);
  // Stops the duet with a message about the persona `side` (0: A, 1: B).
  void Fail(int side, const char* what);

  core::Persona& m_personaA;
  core::Persona& m_personaB;
  Conversation m_a;
  Conversation m_b;
  Said m_saidToB;  // what A sees: its partner is B
  Said m_saidToA;
  std::unordered_map<std::string, int> m_lastSaid;  // each line said: when last (m_lines then)
  std::string m_transcript;
  std::string m_lastLine;  // the line the next speaker answers
  int m_next = 0;          // 0: A answers next, 1: B
  int m_lines = 0;
  bool m_opened = false;
  bool m_begun = false;
  bool m_ended = false;
  bool m_stopped = false;
  bool m_failed[2] = {false, false};
  std::string m_failure;
  int m_refusedSide = -1;
  std::string m_refusedReason;
};

}  // namespace chat
