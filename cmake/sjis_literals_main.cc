// sjis_literals SOURCE OUTPUT: writes the copy of SOURCE the compiler reads, its literals in
// code page 932 (see sjis_literals.h). The copy's first line points diagnostics and __FILE__
// back to SOURCE, whose lines it keeps. On a problem it names the line and writes nothing.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "cmake/sjis_literals.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: sjis_literals SOURCE OUTPUT\n");
    return 2;
  }
  const std::string source = argv[1];
  const std::string output = argv[2];
  std::ifstream in(source, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in) {
    std::fprintf(stderr, "%s: cannot read\n", source.c_str());
    return 1;
  }
  sjis_literals::Conversion c = sjis_literals::ConvertSource(text.str());
  if (!c.ok) {
    std::fprintf(stderr, "%s:%zu: error: %s\n", source.c_str(), c.line, c.error.c_str());
    return 1;
  }
  std::string line_directive = "#line 1 \"";
  for (char ch : source) {
    if (ch == '"' || ch == '\\') line_directive.push_back('\\');
    line_directive.push_back(ch);
  }
  line_directive += "\"\n";
  // Written beside the output and renamed, so a stopped build leaves no half file.
  const std::string temp = output + ".tmp";
  std::ofstream out(temp, std::ios::binary | std::ios::trunc);
  out << line_directive << c.text;
  out.close();
  if (!out || std::rename(temp.c_str(), output.c_str()) != 0) {
    std::remove(temp.c_str());
    std::fprintf(stderr, "%s: cannot write\n", output.c_str());
    return 1;
  }
  return 0;
}
