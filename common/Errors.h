#pragma once

#include <stdexcept>
#include <string>

namespace vornak {

// Raised by the geometry when a located symbol cannot be described; caught
// only by the decoder component.
class EMathError : public std::runtime_error {
 public:
  explicit EMathError(const std::string& message) : std::runtime_error(message) {}
};

inline constexpr const char* kBaseAngleError = "Base Angle Error";
inline constexpr const char* kProgramError = "Program Error";

}  // namespace vornak
