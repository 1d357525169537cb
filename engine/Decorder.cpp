#include "engine/Decorder.h"

namespace vornak {

bool TDecorder::MaskInverts(int32_t mask, int32_t x, int32_t y) {
  switch (mask) {
    case 0:
      return (x + y) % 2 == 0;
    case 1:
      return y % 2 == 0;
    case 2:
      return x % 3 == 0;
    case 3:
      return (x + y) % 3 == 0;
    case 4:
      return (x / 3 + y / 2) % 2 == 0;
    case 5:
      return (x * y) % 2 + (x * y) % 3 == 0;
    case 6:
      return ((x * y) % 2 + (x * y) % 3) % 2 == 0;
    case 7:
      return ((x * y) % 3 + (x + y) % 2) % 2 == 0;
    default:
      return false;
  }
}

void TDecorder::MakeMask() {
  TArrangement* module = MutableModule();
  if (module == nullptr) return;
  const int32_t mask = Mask();
  for (int32_t y = 0; y < module->Height(); ++y)
    for (int32_t x = 0; x < module->Width(); ++x)
      module->SetMaskBit(x, y, !module->IsFunctionModule(x, y) && MaskInverts(mask, x, y) ? 1 : 0);
}

void TDecorder::Unmask() {
  TArrangement* module = MutableModule();
  if (module == nullptr) return;
  MakeMask();
  for (int32_t y = 0; y < module->Height(); ++y)
    for (int32_t x = 0; x < module->Width(); ++x)
      module->SetData(x, y, module->GetRaw(x, y) ^ (module->GetMaskBit(x, y) != 0 ? 1 : 0));
}

void TDecorder::ReadCodewords() {
  FCodewords.clear();
  FCount = 0;
  const TArrangement* module = Module();
  if (module == nullptr) return;
  FCodewords.reserve(static_cast<size_t>(module->CodewordCount()));

  const int32_t height = module->Height();
  int32_t x = module->Width() - 1;
  int32_t y = height - 1;
  int32_t acc = 0;
  int32_t bit = 7;
  int32_t parity = 0;  // becomes 1 past the timing column, where strips shift by one
  bool upward = true;
  while (x >= 0) {
    if (module->GetData(x, y) != 0) acc |= 1 << bit;
    if (--bit < 0) {
      FCodewords.push_back(acc);
      ++FCount;
      acc = 0;
      bit = 7;
    }
    do {
      if ((x + parity) % 2 == 0) {
        --x;  // right-hand column of the strip: over to the left-hand one
      } else if (upward ? y > 0 : y < height - 1) {
        ++x;
        y += upward ? -1 : 1;
      } else {
        // Edge reached: turn into the next strip, stepping over column 6.
        --x;
        if (x == 6) {
          x = 5;
          parity = 1;
        }
        upward = !upward;
      }
    } while (x >= 0 && module->IsFunctionModule(x, y));
  }
}

}  // namespace vornak
