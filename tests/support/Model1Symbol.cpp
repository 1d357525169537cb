#include "tests/support/Model1Symbol.h"

#include <array>
#include <stdexcept>

#include "symbol/Model1Tables.h"

namespace vornak::test {

namespace {

struct TField {
  std::array<int, 512> Exp{};
  std::array<int, 256> Log{};
  TField() {
    int x = 1;
    for (int i = 0; i < 255; ++i) {
      Exp[static_cast<size_t>(i)] = x;
      Log[static_cast<size_t>(x)] = i;
      x <<= 1;
      if ((x & 0x100) != 0) x ^= 0x11D;
    }
    for (int i = 255; i < 512; ++i) Exp[static_cast<size_t>(i)] = Exp[static_cast<size_t>(i - 255)];
  }
  int Mul(int a, int b) const {
    if (a == 0 || b == 0) return 0;
    return Exp[static_cast<size_t>(Log[static_cast<size_t>(a)] + Log[static_cast<size_t>(b)])];
  }
};

const TField& Field() {
  static const TField field;
  return field;
}

// Check codewords of data under the generator with roots alpha^0..alpha^(n-1).
std::vector<uint8_t> Check(const std::vector<uint8_t>& data, int n) {
  const TField& f = Field();
  std::vector<int> g{1};
  for (int i = 0; i < n; ++i) {
    std::vector<int> next(g.size() + 1, 0);
    for (size_t j = 0; j < g.size(); ++j) {
      next[j] ^= g[j];
      next[j + 1] ^= f.Mul(g[j], f.Exp[static_cast<size_t>(i)]);
    }
    g = next;
  }
  std::vector<int> r(data.begin(), data.end());
  r.resize(data.size() + static_cast<size_t>(n), 0);
  for (size_t i = 0; i < data.size(); ++i) {
    const int c = r[i];
    if (c == 0) continue;
    for (size_t j = 1; j < g.size(); ++j) r[i + j] ^= f.Mul(g[j], c);
  }
  return std::vector<uint8_t>(r.begin() + static_cast<std::ptrdiff_t>(data.size()), r.end());
}

// Format word: 5 data bits (level bits, mask) and BCH(15,5) remainder.
int FormatWord(int level, int mask) {
  static constexpr int kLevelBits[4] = {1, 0, 3, 2};
  const int data = (kLevelBits[level] << 3) | mask;
  int v = data << 10;
  for (int i = 14; i >= 10; --i)
    if (((v >> i) & 1) != 0) v ^= 0x537 << (i - 10);
  return ((data << 10) | v) ^ model1::FormatMask;
}

bool Masked(int mask, int x, int y) {
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
    default:
      return ((x * y) % 3 + (x + y) % 2) % 2 == 0;
  }
}

void WriteFormat(TPlaneBoolean& m, int side, int word) {
  for (int i = 0; i < 15; ++i) {
    const bool bit = ((word >> i) & 1) != 0;
    // Copy 1 round the top-left finder, copy 2 split beside the others.
    const int x1 = i <= 7 ? 8 : 14 - i;
    const int y1 = i <= 5 ? i : (i <= 7 ? i + 1 : 8);
    m(i == 8 ? 7 : x1, i == 8 ? 8 : y1) = bit ? 1 : 0;
    if (i <= 7)
      m(side - 1 - i, 8) = bit ? 1 : 0;
    else
      m(8, side - 15 + i) = bit ? 1 : 0;
  }
}

}  // namespace

Model1Symbol MakeModel1FromData(const std::vector<uint8_t>& data, int version, int level,
                                int mask) {
  if (!model1::IsValidVersion(version) || level < 0 || level > 3 || mask < 0 || mask > 7)
    throw std::invalid_argument("Model 1 version, level or mask out of range");
  const model1::TLevelEntry& entry = model1::Level(version, level);
  if (entry.Blocks == 0) throw std::invalid_argument("no block count for this version and level");
  if (static_cast<int>(data.size()) != entry.Data)
    throw std::invalid_argument("wrong number of data codewords");
  if ((data[0] >> 4) != 0) throw std::invalid_argument("the first data codeword's high half is 0");
  const int side = model1::SymbolSide(version);
  const int total = model1::Codewords(version);
  const int checkTotal = total - entry.Data;
  const int blocks = entry.Blocks;
  if (checkTotal % blocks != 0) throw std::invalid_argument("check codewords do not split");

  Model1Symbol s;
  s.Version = version;
  s.Level = level;
  s.Mask = mask;
  s.Codewords = data;
  // Blocks one after another; later blocks take one more data codeword
  // when the data do not divide.
  const int shortData = entry.Data / blocks;
  const int longCount = entry.Data % blocks;
  size_t at = 0;
  for (int b = 0; b < blocks; ++b) {
    const int own = shortData + (b >= blocks - longCount ? 1 : 0);
    const std::vector<uint8_t> part(data.begin() + static_cast<std::ptrdiff_t>(at),
                                    data.begin() + static_cast<std::ptrdiff_t>(at) + own);
    const std::vector<uint8_t> check = Check(part, checkTotal / blocks);
    s.Codewords.insert(s.Codewords.end(), check.begin(), check.end());
    at += static_cast<size_t>(own);
  }

  // Function patterns: 0 free, 1 taken.
  TPlaneBoolean taken(side, side);
  TPlaneBoolean& m = s.Matrix;
  m = TPlaneBoolean(side, side);
  auto take = [&](int x0, int y0, int x1, int y1) {
    for (int x = x0; x <= x1; ++x)
      for (int y = y0; y <= y1; ++y) taken(x, y) = 1;
  };
  take(0, 0, 8, 8);
  take(side - 8, 0, side - 1, 8);
  take(0, side - 8, 8, side - 1);
  for (int k = 0; k < side; ++k) {
    taken(k, 6) = 1;
    taken(6, k) = 1;
  }
  auto finder = [&](int x0, int y0) {
    for (int dx = 0; dx < 7; ++dx)
      for (int dy = 0; dy < 7; ++dy) {
        const bool ring = dx == 0 || dx == 6 || dy == 0 || dy == 6;
        const bool core = dx >= 2 && dx <= 4 && dy >= 2 && dy <= 4;
        m(x0 + dx, y0 + dy) = ring || core ? 1 : 0;
      }
  };
  finder(0, 0);
  finder(side - 7, 0);
  finder(0, side - 7);
  for (int k = 8; k <= side - 9; ++k) {
    m(k, 6) = k % 2 == 0 ? 1 : 0;
    m(6, k) = k % 2 == 0 ? 1 : 0;
  }
  m(8, side - 8) = 1;
  for (int p = side - 12; p >= 13; p -= 8) {
    take(side - 2, p, side - 1, p + 3);
    take(p, side - 2, p + 3, side - 1);
    for (int i = p; i < p + 4; ++i) {
      m(side - 1, i) = 1;
      m(i, side - 1) = 1;
    }
  }
  take(side - 2, side - 2, side - 1, side - 1);
  m(side - 1, side - 1) = 1;

  // The bit stream without the first four bits, up the columns.
  std::vector<TPoint> order;
  auto column = [&](int right, int width) {
    for (int y = side - 1; y >= 0; --y)
      for (int x = right; x > right - width; --x)
        if (taken(x, y) == 0) order.push_back({x, y});
  };
  column(side - 1, 2);
  column(side - 3, 2);
  for (int right = side - 5; right >= 12; right -= 4) column(right, 4);
  for (int right : {8, 5, 3, 1}) column(right, 2);
  if (static_cast<int>(order.size()) != total * 8 - 4)
    throw std::logic_error("Model 1 placement does not fill the symbol");
  size_t next = 0;
  s.Modules.assign(static_cast<size_t>(total), {});
  for (int c = 0; c < total; ++c) {
    for (int bit = c == 0 ? 3 : 7; bit >= 0; --bit) {
      const TPoint p = order[next++];
      const bool one = ((s.Codewords[static_cast<size_t>(c)] >> bit) & 1) != 0;
      m(p.X, p.Y) = (one != Masked(mask, p.X, p.Y)) ? 1 : 0;
      s.Modules[static_cast<size_t>(c)].push_back(p);
    }
  }
  WriteFormat(m, side, FormatWord(level, mask));
  return s;
}

Model1Symbol MakeModel1(const std::vector<qrcodegen::QrSegment>& segments, int version, int level,
                        int mask) {
  if (!model1::IsValidVersion(version) || level < 0 || level > 3)
    throw std::invalid_argument("Model 1 version or level out of range");
  const int capacity = model1::Level(version, level).Data * 8;
  std::vector<bool> bits(4, false);
  for (const qrcodegen::QrSegment& segment : segments) {
    const int mode = segment.getMode().getModeBits();
    const int countBits = segment.getMode().numCharCountBits(version);
    for (int i = 3; i >= 0; --i) bits.push_back(((mode >> i) & 1) != 0);
    for (int i = countBits - 1; i >= 0; --i)
      bits.push_back(((segment.getNumChars() >> i) & 1) != 0);
    bits.insert(bits.end(), segment.getData().begin(), segment.getData().end());
  }
  if (static_cast<int>(bits.size()) > capacity)
    throw std::invalid_argument("the segments do not fit the Model 1 version and level");
  for (int i = 0; i < 4 && static_cast<int>(bits.size()) < capacity; ++i) bits.push_back(false);
  while (bits.size() % 8 != 0) bits.push_back(false);
  std::vector<uint8_t> data;
  for (size_t i = 0; i < bits.size(); i += 8) {
    int value = 0;
    for (size_t j = 0; j < 8; ++j) value = (value << 1) | (bits[i + j] ? 1 : 0);
    data.push_back(static_cast<uint8_t>(value));
  }
  for (bool even = true; static_cast<int>(data.size()) < capacity / 8; even = !even)
    data.push_back(even ? 0xEC : 0x11);
  return MakeModel1FromData(data, version, level, mask);
}

Model1Symbol MakeModel1(const std::string& text, int version, int level, int mask) {
  return MakeModel1(qrcodegen::QrSegment::makeSegments(text.c_str()), version, level, mask);
}

void SetModel1FormatLevel(Model1Symbol& symbol, int level) {
  symbol.Level = level;
  WriteFormat(symbol.Matrix, symbol.Matrix.Width(), FormatWord(level, symbol.Mask));
}

}  // namespace vornak::test
