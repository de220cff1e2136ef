#include "ui/text/line_source.h"

#include <istream>
#include <ostream>

namespace ui::text {

StreamLineSource::StreamLineSource(std::istream& in, std::ostream& out, bool echo)
    : m_in(in), m_out(out), m_echo(echo) {}

std::optional<std::string> StreamLineSource::ReadLine(const std::string& prompt,
                                                      const std::string& initial_text) {
  (void)initial_text;  // the caller shows it in the prompt
  m_out << prompt << std::flush;
  std::string line;
  if (!std::getline(m_in, line) && line.empty()) {
    if (m_echo) m_out << '\n';
    m_closed = true;
    return std::nullopt;
  }
  if (!line.empty() && line.back() == '\r') line.pop_back();
  if (m_echo) m_out << line << '\n';
  return line;
}

}  // namespace ui::text
