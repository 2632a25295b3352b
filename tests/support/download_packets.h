// Download packets as the download tests build them by hand.
//
//   bytes    a run of bytes on the wire
//   framed   a payload in its packet, framed as the utility sends it
#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

#include "download.h"

using bytes = std::vector<std::uint8_t>;

inline bytes framed(const bytes& payload) {
  bytes p(payload.size() + 4, 0);
  std::copy(payload.begin(), payload.end(), p.begin() + 2);
  dwn_frame(p.data(), static_cast<int>(p.size()));
  return p;
}
