// The utility's download talking straight to a simulated download_side, in
// one process and with no port between them: what the utility writes is fed
// to the side (unless the side has gone silent), and the side's answers wait
// for the utility's next reads. Only for tests built with sim/download_side.
//
//   direct_download::device           the side being talked to
//   direct_download::pending_answers  answered and not yet read
//   direct_download::to_device        the write half, for dwn_use_port
//   direct_download::from_device      the read half, for dwn_use_port
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "download_side.h"

namespace direct_download {

inline download_side* device = nullptr;
inline std::string pending_answers;

inline int to_device(const void* buf, int len) {
  if (!device->silent()) device->feed(static_cast<const std::uint8_t*>(buf), len, pending_answers);
  return len;
}

inline int from_device(void* buf, int size, int) {
  const int n = std::min<int>(size, static_cast<int>(pending_answers.size()));
  std::memcpy(buf, pending_answers.data(), static_cast<std::size_t>(n));
  pending_answers.erase(0, static_cast<std::size_t>(n));
  return n;
}

}  // namespace direct_download
