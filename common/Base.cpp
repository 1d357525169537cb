#include "common/Base.h"

namespace vornak {

void TBase::SetErrorCode(int32_t code) {
  if (code >= 0 && code <= 10) FErrorCode = code;
}

}  // namespace vornak
