// How the front ends lay out the conversation's text: the newest part of a long transcript for
// a window's edit control, and a reply's line breaks made one kind for a terminal or a pipe.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// At most this many bytes of a transcript are shown (the newest, whole lines); the transcript
// itself is never shortened.
inline constexpr size_t kShownTranscriptBytes = 64 * 1024;

// The newest part of `transcript` (lines separated by LF, newest first) within
// kShownTranscriptBytes, cut after a whole line, with CR LF between lines as edit controls
// want them.
std::string ShownTranscript(std::string_view transcript);

// `text` with each CR LF, lone CR or LF made `with`.
std::string ReplaceLineBreaks(std::string_view text, char with);
