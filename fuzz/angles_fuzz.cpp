// dmctodeg on arbitrary text: it must return the failure value or a finite
// angle within its own +-360 bound, never NaN and never anything beyond.
#include <cstdint>
#include <string>

#include "angles.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const float deg = dmctodeg(text.c_str());
  fuzz_check(deg == ANGLE_FAIL || (deg >= -360.0f && deg <= 360.0f), "angle out of range or NaN");
  return 0;
}
