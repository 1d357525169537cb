#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/SymbolResult.h"

namespace vornak {

// Joins the symbols of structured-append sequences into their messages,
// whether they come from one picture or from several: the parts of one
// sequence share their total and parity byte, and are joined in index
// order. The window and the command line share it.
class TAppendMerger {
 public:
  // One message of the symbols added.
  struct TMessage {
    int32_t Total = 0;
    int32_t Parity = 0;
    // The data of the parts found, joined in index order.
    std::string Bytes;
    // The ECI the first part found names; -1 when none.
    int32_t Eci = -1;
    // Some part holds Hanzi.
    bool Hanzi = false;
    // Per index, whether that part was found.
    std::vector<bool> Found;
    // Every part found and the parity byte matches the XOR of the bytes.
    bool Complete = false;
    // Empty for a complete message; else what is wrong, in English:
    // "part 3 of 4 missing", a parity mismatch, a part read twice with
    // different data. A parity mismatch or a contradictory part refuses the
    // message (Refused true): Bytes then stays empty.
    std::string Problem;
    bool Refused = false;
  };

  // Adds a symbol; one without a structured-append header is ignored (and
  // false returned). A part added before with the same data counts once.
  bool Add(const TSymbolResult& symbol);
  void Clear() { FParts.clear(); }
  bool Empty() const { return FParts.empty(); }

  // The messages, in the order their first part was added.
  std::vector<TMessage> Messages() const;

  // The XOR of every byte of data: the parity a sequence's header carries.
  static int32_t Parity(const std::string& data);

 private:
  struct TPart {
    int32_t Index = 0;
    int32_t Total = 0;
    int32_t Parity = 0;
    int32_t Eci = -1;
    bool Hanzi = false;
    std::string Bytes;
  };
  std::vector<TPart> FParts;
};

}  // namespace vornak
