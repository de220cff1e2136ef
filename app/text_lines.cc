#include "app/text_lines.h"

#include "core/text_file.h"

std::string ShownTranscript(std::string_view transcript) {
  std::string_view shown = transcript;
  if (shown.size() > kShownTranscriptBytes) {
    shown = shown.substr(0, kShownTranscriptBytes);
    size_t last_break = shown.rfind('\n');
    if (last_break != std::string_view::npos) shown = shown.substr(0, last_break + 1);
  }
  return core::ToCrLf(shown);
}

std::string ReplaceLineBreaks(std::string_view text, char with) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    out += text[i] == '\r' || text[i] == '\n' ? with : text[i];
  }
  return out;
}
