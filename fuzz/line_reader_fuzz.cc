// The line reader (core::TextReader, CutTextPiece) on any file and any read unit. Input:
// the unit in decimal, "@@", the file's bytes. Property: the pieces are exactly what fgets
// with a buffer of unit + 1 bytes gives over the file in text mode (the text up to the first
// Ctrl-Z, or all of it, with every CR LF as LF), for Next, ReadLine, NextLine and
// CutTextPiece over the bytes in memory alike.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/text_file.h"
#include "fuzz/fuzz_support.h"

namespace {

// --- The reader, as this target uses it.
constexpr const char* kFile = "data.txt";

struct Piece {
  std::string text;
  bool line_end;
  bool operator==(const Piece&) const = default;
};

std::vector<Piece> ReadPieces(size_t unit, bool ctrl_z_ends_file) {
  std::vector<Piece> pieces;
  core::TextReader reader;
  if (!reader.Open(fuzz::CurrentPersona().folder(), kFile, ctrl_z_ends_file))
    fuzz::Fail("cannot open the file");
  core::TextReader::Piece piece;
  while (reader.Next(unit, &piece)) pieces.push_back({std::string(piece.text), piece.line_end});
  if (reader.failed()) fuzz::Fail("read failed");
  return pieces;
}

std::vector<Piece> ReadLines(size_t unit) {
  std::vector<Piece> pieces;
  core::TextReader reader;
  if (!reader.Open(fuzz::CurrentPersona().folder(), kFile)) fuzz::Fail("cannot open the file");
  std::string line;
  while (reader.ReadLine(unit, &line)) {
    bool end = !line.empty() && line.back() == '\n';
    if (end) line.pop_back();
    pieces.push_back({line, end});
  }
  return pieces;
}

std::vector<Piece> WholeLines(bool ctrl_z_ends_file) {
  std::vector<Piece> pieces;
  core::TextReader reader;
  if (!reader.Open(fuzz::CurrentPersona().folder(), kFile, ctrl_z_ends_file))
    fuzz::Fail("cannot open the file");
  core::TextReader::Piece piece;
  while (reader.NextLine(&piece)) pieces.push_back({std::string(piece.text), piece.line_end});
  return pieces;
}

// CutTextPiece over the text before any Ctrl-Z, given unit + 2 bytes at a time as it asks.
std::vector<Piece> CutPieces(std::string_view bytes, size_t unit) {
  std::vector<Piece> pieces;
  size_t pos = 0;
  while (pos < bytes.size()) {
    size_t avail = std::min(bytes.size() - pos, unit + 2);
    core::TextReader::Piece piece;
    size_t used = core::CutTextPiece(bytes.data() + pos, avail, unit, &piece);
    if (used == 0 || used > avail) fuzz::Fail("CutTextPiece took " + std::to_string(used));
    pieces.push_back({std::string(piece.text), piece.line_end});
    pos += used;
  }
  return pieces;
}
// --- End of the reader's use.

// What a text-mode stream delivers of `raw`.
std::string TextMode(std::string_view raw, bool ctrl_z_ends_file) {
  if (ctrl_z_ends_file) raw = raw.substr(0, raw.find('\x1a'));
  std::string out;
  for (size_t i = 0; i < raw.size(); ++i) {
    if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
    out.push_back(raw[i]);
  }
  return out;
}

// fgets over that stream: up to `unit` bytes, ending after a line break.
std::vector<Piece> Expected(const std::string& stream, size_t unit) {
  std::vector<Piece> pieces;
  size_t pos = 0;
  while (pos < stream.size()) {
    size_t lf = stream.find('\n', pos);
    if (lf != std::string::npos && lf - pos + 1 <= unit) {
      pieces.push_back({stream.substr(pos, lf - pos), true});
      pos = lf + 1;
    } else {
      size_t n = std::min(unit, stream.size() - pos);
      pieces.push_back({stream.substr(pos, n), false});
      pos += n;
    }
  }
  return pieces;
}

void Check(const std::vector<Piece>& got, const std::vector<Piece>& want, const char* what) {
  if (got == want) return;
  size_t i = 0;
  while (i < got.size() && i < want.size() && got[i] == want[i]) ++i;
  fuzz::Fail(std::string(what) + ": piece " + std::to_string(i + 1) + " differs (" +
             std::to_string(got.size()) + " pieces, expected " + std::to_string(want.size()) + ")");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Fields fields(data, size);
  fuzz::Run run;
  const size_t unit = 1 + static_cast<size_t>(fuzz::SmallNumber(fields[0]) % 600);
  const std::string_view raw = fields[1];
  fuzz::WriteFile(kFile, raw);

  const std::vector<Piece> want = Expected(TextMode(raw, true), unit);
  Check(ReadPieces(unit, true), want, "Next");
  Check(ReadLines(unit), want, "ReadLine");
  Check(CutPieces(raw.substr(0, raw.find('\x1a')), unit), want, "CutTextPiece");
  Check(ReadPieces(unit, false), Expected(TextMode(raw, false), unit), "Next, Ctrl-Z kept");
  const size_t all = raw.size() + 1;  // no line is longer than the file
  Check(WholeLines(true), Expected(TextMode(raw, true), all), "NextLine");
  Check(WholeLines(false), Expected(TextMode(raw, false), all), "NextLine, Ctrl-Z kept");
  return 0;
}
