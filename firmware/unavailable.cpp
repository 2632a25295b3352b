// Placeholder until the firmware update lands.
#include <cstdio>

#include "firmware.h"

int firmware(int, const char*) {
  std::printf("\a\aError: firmware is not available in this build\n");
  return -1;
}
