#pragma once

#include <cstdint>

namespace vornak {

// Holds the error code of the pipeline: 0 = no error, 1..10 select a message.
class TBase {
 public:
  virtual ~TBase() = default;

  // Codes outside 0..10 are ignored and the previous code stays.
  void SetErrorCode(int32_t code);
  int32_t ErrorCode() const { return FErrorCode; }

 protected:
  int32_t FErrorCode = 0;
};

}  // namespace vornak
