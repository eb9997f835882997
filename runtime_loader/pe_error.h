// The error raised for a module image that cannot be processed; the message names the field.
#pragma once

#include <stdexcept>

namespace leafmark::pe {

class EPeImageError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

}  // namespace leafmark::pe
