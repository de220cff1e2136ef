// rinu-data's conversions (tools/data_file.h) on any bytes. Input: "lines" for the rules of
// boke.dat and no.dat (anything else: memory.dat), "@@", the bytes. Properties: a stored
// file that decodes without a warning encodes back to the same bytes (its LF line ends as
// CR LF, the form encode writes); a text that encodes decodes back to itself (LF line ends).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/text_file.h"
#include "fuzz/fuzz_support.h"
#include "tools/data_file.h"

namespace {

// --- The conversions, as this target uses them.
rinu_data::Conversion Decode(std::string_view stored, rinu_data::FileKind kind) {
  return rinu_data::DecodeStored(stored, kind);
}
rinu_data::Conversion Encode(std::string_view text, rinu_data::FileKind kind) {
  return rinu_data::EncodePlain(text, kind);
}
// --- End of the conversions' use.

void CheckRoundTrip(std::string_view bytes, rinu_data::FileKind kind) {
  rinu_data::Conversion decoded = Decode(bytes, kind);
  if (decoded.ok && decoded.warnings.empty()) {
    rinu_data::Conversion encoded = Encode(decoded.output, kind);
    if (!encoded.ok) fuzz::Fail("a decoded file does not encode: " + encoded.problem.reason);
    if (encoded.output != core::ToCrLf(core::FromCrLf(bytes))) {
      fuzz::Fail("decode then encode changed the file");
    }
  }
  rinu_data::Conversion stored = Encode(bytes, kind);
  if (stored.ok) {
    rinu_data::Conversion text = Decode(stored.output, kind);
    if (!text.ok) fuzz::Fail("an encoded text does not decode: " + text.problem.reason);
    if (!text.warnings.empty()) fuzz::Fail("an encoded text decodes with a warning");
    if (text.output != core::FromCrLf(bytes)) fuzz::Fail("encode then decode changed the text");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::Fields fields(data, size);
  CheckRoundTrip(fields[1],
                 fields[0] == "lines" ? rinu_data::FileKind::kLines : rinu_data::FileKind::kMemory);
  return 0;
}
