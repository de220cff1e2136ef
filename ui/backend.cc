#include "ui/backend.h"

#include <cstdio>
#include <cstdlib>

namespace ui {
namespace {
Backend* g_backend = nullptr;
}  // namespace

void SetBackend(Backend* backend) { g_backend = backend; }

Backend& CurrentBackend() {
  if (!g_backend) {
    std::fputs("rinu: no window backend is set\n", stderr);
    std::abort();
  }
  return *g_backend;
}

void MessageBox(const std::string& text) { CurrentBackend().MessageBox(text); }
void ShellOpen(const std::string& target) { CurrentBackend().ShellOpen(target); }
void Terminate(int status) {
  CurrentBackend().Terminate(status);
  std::exit(status);  // a backend's Terminate never returns; this keeps the promise anyway
}

}  // namespace ui
