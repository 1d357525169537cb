// Arbitrary data codewords through the segment reader: it must finish with a
// result for any stream, read only the codewords it was given and keep its
// promises about the result.
#include <cstddef>
#include <cstdint>
#include <string>

#include "common/Types.h"
#include "data/DataBlockReader.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const int32_t version = vornak::fuzz::ReaderVersion(data[0]);
  const vornak::TSymbolKind kind = vornak::fuzz::ReaderKind(data[0]);
  const vornak::TIntegers codewords(data + 2, data + size);
  const size_t count = vornak::fuzz::ReaderCount(data[1], codewords.size());

  vornak::TDataBlockReader reader(codewords, static_cast<int32_t>(count), kind, version, true);
  std::string text = "left over";
  const bool ok = reader.Decode(text);
  // A broken stream comes back empty; no reader may claim more bits than exist.
  if (!ok && !text.empty()) __builtin_trap();
  if (reader.BitsLeft() < 0 || reader.BitsLeft() > static_cast<int32_t>(count) * 8)
    __builtin_trap();
  if (ok && version >= 1) {
    // Eight bits per codeword at most: numeric packs 3 digits in 10 bits,
    // alphanumeric 2 characters in 11, byte 1 in 8, Kanji 2 bytes in 13.
    if (text.size() > count * 8 * 3 / 10 + 3) __builtin_trap();
  }
  const vornak::TDataBlockReader::THeaders& headers = reader.Headers();
  if (headers.StructuredAppend && (headers.AppendTotal < 1 || headers.AppendTotal > 16))
    __builtin_trap();
  return 0;
}
