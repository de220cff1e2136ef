// What every fuzz target shares: a private working folder for the process, emptied before
// each input; the input cut into fields; a random source that draws from the input; the
// scripted backend installed afresh for each input; and the way a target reports a broken
// property (a message, then abort, which libFuzzer records with the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "core/clock.h"
#include "core/persona.h"
#include "core/random_source.h"
#include "testing/scripted_backend.h"

namespace fuzz {

// Fields of an input, separated by the line "@@" ("\n@@\n"); missing fields are empty.
class Fields {
 public:
  Fields(const uint8_t* data, size_t size);
  std::string_view operator[](size_t i) const;
  size_t size() const { return m_fields.size(); }

 private:
  std::vector<std::string_view> m_fields;
};

// The decimal number at the start of `text` (digits only, at most four of them), or 0.
int SmallNumber(std::string_view text);

// Draws the bytes of its field in turn, then zeros.
class InputRandom : public core::RandomSource {
 public:
  explicit InputRandom(std::string_view draws) : m_draws(draws) {}
  int Next() override;

 private:
  std::string_view m_draws;
  size_t m_pos = 0;
};

// Hands every call to the scripted backend in use, so that an object living across several
// steps of one input (the reply engine) keeps one backend while each step gets a fresh one.
class ForwardingBackend : public ui::Backend {
 public:
  explicit ForwardingBackend(std::unique_ptr<testing_support::ScriptedBackend>* target)
      : m_target(target) {}
  std::unique_ptr<ui::DialogWindow> CreateDialogWindow(ui::Dialog& dialog) override {
    return (*m_target)->CreateDialogWindow(dialog);
  }
  void MessageBox(const std::string& text) override { (*m_target)->MessageBox(text); }
  bool ShellOpen(const std::string& target) override { return (*m_target)->ShellOpen(target); }
  bool Confirm(const std::string& text) override { return (*m_target)->Confirm(text); }

 private:
  std::unique_ptr<testing_support::ScriptedBackend>* m_target;
};

// One input's world: the working folder emptied, a fresh scripted backend, and a persona on
// the folder that draws from `random` (or from a fixed standard source).
class Run {
 public:
  explicit Run(core::RandomSource* random = nullptr);
  ~Run();
  Run(const Run&) = delete;
  Run& operator=(const Run&) = delete;

  core::Persona& persona() { return *m_persona; }
  testing_support::ScriptedBackend& backend() { return *m_backend; }
  // The backend to hand to the program's objects: always the current scripted one.
  ui::Backend& ui() { return m_forward; }
  // Puts a new scripted backend in place of the current one (no scripts, no records).
  testing_support::ScriptedBackend& FreshBackend();

 private:
  std::unique_ptr<testing_support::ScriptedBackend> m_backend;
  ForwardingBackend m_forward{&m_backend};
  core::StandardRandom m_standard{0};
  core::SystemClock m_clock;
  std::unique_ptr<core::Persona> m_persona;
};

// The persona of the Run in progress (one at a time).
core::Persona& CurrentPersona();

// Files of the working folder, as bytes.
void WriteFile(const std::string& name, std::string_view bytes);
std::string ReadFile(const std::string& name);
bool Exists(const std::string& name);
// The names of the working folder's files, sorted.
std::vector<std::string> ListFolder();

// Reports a broken property and ends the process so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

}  // namespace fuzz
