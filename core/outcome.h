// Outcome: what an operation of the domain did, for a front end to show. It is done, refused
// (nothing was changed: the input or the moment did not allow it) or failed (a file could not
// be read or written), with the messages the user is to read, in order (a window shows each in
// a box with OK). The operation itself shows nothing.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace core {

struct Outcome {
  enum class Kind { kDone, kRefused, kFailed };
  Kind kind = Kind::kDone;
  std::vector<std::string> messages;

  bool done() const { return kind == Kind::kDone; }

  static Outcome Done() { return Outcome(); }
  // An outcome of `kind` with no message.
  static Outcome Of(Kind kind) {
    Outcome outcome;
    outcome.kind = kind;
    return outcome;
  }
  static Outcome Refused(std::string message) { return Of(Kind::kRefused, std::move(message)); }
  static Outcome Failed(std::string message) { return Of(Kind::kFailed, std::move(message)); }
  // Adds a message after the others.
  Outcome& And(std::string message) {
    messages.push_back(std::move(message));
    return *this;
  }

 private:
  static Outcome Of(Kind kind, std::string message) {
    Outcome outcome = Of(kind);
    outcome.messages.push_back(std::move(message));
    return outcome;
  }
};

}  // namespace core
