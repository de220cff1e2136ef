// rinu-data: prints a stored data file as UTF-8 text, or stores UTF-8 text as a data file.
// See UsageText for the command line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/text_file.h"
#include "tools/data_file.h"

namespace {

constexpr int kExitRefused = 1;
constexpr int kExitUsage = 2;

// Reads all of `file`; false on a read error.
bool ReadAll(std::FILE* file, std::string* out) {
  char buf[65536];
  size_t n;
  while ((n = std::fread(buf, 1, sizeof buf, file)) > 0) out->append(buf, n);
  return !std::ferror(file);
}

bool WriteStdout(const std::string& bytes) {
  return std::fwrite(bytes.data(), 1, bytes.size(), stdout) == bytes.size() &&
         std::fflush(stdout) == 0;
}

void PrintWarnings(const std::string& name, const rinu_data::Conversion& c) {
  for (const rinu_data::LineProblem& w : c.warnings) {
    std::fprintf(stderr, "%s (warning)\n", rinu_data::FormatProblem(name, w).c_str());
  }
}

int Decode(const rinu_data::Options& options) {
  std::FILE* f = std::fopen(options.input.c_str(), "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "rinu-data: cannot open %s: %s\n", options.input.c_str(),
                 std::strerror(errno));
    return kExitUsage;
  }
  std::string stored;
  bool read_ok = ReadAll(f, &stored);
  std::fclose(f);
  if (!read_ok) {
    std::fprintf(stderr, "rinu-data: cannot read %s\n", options.input.c_str());
    return kExitUsage;
  }
  rinu_data::Conversion c = rinu_data::DecodeStored(stored, options.kind);
  PrintWarnings(options.input, c);
  if (!c.ok) {
    std::fprintf(stderr, "%s\n", rinu_data::FormatProblem(options.input, c.problem).c_str());
    return kExitRefused;
  }
  if (!WriteStdout(c.output)) {
    std::fprintf(stderr, "rinu-data: cannot write to standard output\n");
    return kExitUsage;
  }
  return 0;
}

// Writes `bytes` as the new content of the file `path` (in any folder) by a rewrite through a
// temporary file and a rename, so a failure leaves the old file as it was.
bool ReplaceOutput(const std::string& path, const std::string& bytes) {
  size_t slash = path.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  core::Folder folder(dir);
  return folder.ok() && !name.empty() && core::ReplaceFile(folder, name, bytes);
}

int Encode(const rinu_data::Options& options) {
  const std::string name = "<stdin>";
  std::string text;
  if (!ReadAll(stdin, &text)) {
    std::fprintf(stderr, "rinu-data: cannot read standard input\n");
    return kExitUsage;
  }
  rinu_data::Conversion c = rinu_data::EncodePlain(text, options.kind);
  PrintWarnings(name, c);
  if (!c.ok) {
    std::fprintf(stderr, "%s\n", rinu_data::FormatProblem(name, c.problem).c_str());
    return kExitRefused;
  }
  if (options.output.empty()) {
    if (!WriteStdout(c.output)) {
      std::fprintf(stderr, "rinu-data: cannot write to standard output\n");
      return kExitUsage;
    }
  } else if (!ReplaceOutput(options.output, c.output)) {
    std::fprintf(stderr, "rinu-data: cannot write %s (left as it was)\n", options.output.c_str());
    return kExitUsage;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  rinu_data::Options options;
  std::string error;
  if (!rinu_data::ParseArguments(args, &options, &error)) {
    std::fprintf(stderr, "rinu-data: %s\nTry 'rinu-data --help'.\n", error.c_str());
    return kExitUsage;
  }
  switch (options.command) {
    case rinu_data::Options::Command::kHelp:
      return WriteStdout(std::string(rinu_data::UsageText())) ? 0 : kExitUsage;
    case rinu_data::Options::Command::kDecode:
      return Decode(options);
    case rinu_data::Options::Command::kEncode:
      return Encode(options);
    case rinu_data::Options::Command::kNone:
      break;
  }
  return kExitUsage;
}
