// Small bitmaps built from the input through the whole component: binarize,
// locate, sample and decode. Any outcome is fine as long as it is reported as
// a result or an error, never a crash, a hang or an undefined read. A
// picture that reads is searched for every symbol as well, whose list holds
// the symbol read alone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/Types.h"
#include "engine/Vornak.h"
#include "fuzz/FuzzInput.h"

namespace {

vornak::TVornak& Component() {
  static vornak::TVornak component;
  return component;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  namespace fz = vornak::fuzz;
  if (size < 5) return 0;
  const int32_t width = fz::BitmapSide(data[0]);
  const int32_t height = fz::BitmapSide(data[1]);
  const bool colour = fz::BitmapColour(data[2]);
  const uint8_t* pixels = data + 5;
  const size_t available = size - 5;

  vornak::TBitmap bitmap(width, height, 0xFFFFFF);
  size_t at = 0;
  for (int32_t y = 0; y < height; ++y) {
    uint32_t* row = bitmap.Row(y);
    for (int32_t x = 0; x < width; ++x) {
      if (colour) {
        if (at + 3 > available) break;
        row[x] = vornak::TBitmap::Rgb(pixels[at], pixels[at + 1], pixels[at + 2]);
        at += 3;
      } else {
        if (at + 1 > available) break;
        row[x] = vornak::TBitmap::Rgb(pixels[at], pixels[at], pixels[at]);
        at += 1;
      }
    }
  }

  vornak::TVornak& component = Component();
  component.SetWarp(fz::BitmapWarp(data[3]));
  component.SetResolver(fz::BitmapResolver(data[3]));
  component.SetForceVersion(fz::BitmapForceVersion(data[2], data[4]));
  const bool ok = component.Decode(bitmap);
  if (ok != component.ErrorText().empty()) __builtin_trap();
  if (!ok && !component.ResultText().empty()) __builtin_trap();
  if (ok) {
    const std::string text = component.ResultText();
    const std::vector<vornak::TSymbolResult> all = component.DecodeAll(bitmap);
    if (all.empty() || component.ResultText() != text) __builtin_trap();
    bool among = false;
    for (const vornak::TSymbolResult& symbol : all) among = among || symbol.Text == text;
    if (!among) __builtin_trap();
  }
  return 0;
}
