// The transfer's progress line. The bar starts at a fixed column, index 21,
// which is where the status text ends while times stay below 1000 s; a longer
// status text gives way to the bar.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "firmware.h"

namespace {

constexpr std::size_t BAR_START = 21;
constexpr int BAR_FULL = 59;

std::int64_t calendar_seconds() { return static_cast<std::int64_t>(std::time(nullptr)); }

}  // namespace

std::int64_t (*fw_clock)() = calendar_seconds;
std::int64_t fw_start_time = 0;

void fw_progress(unsigned done, unsigned total) {
  const std::int64_t elapsed = fw_clock() - fw_start_time;
  const double fraction = total == 0 ? 0.0 : static_cast<double>(done) / total;
  // 64 bits on every system: unsigned long is only 32 on Windows.
  std::uint64_t ttc = 0;
  if (fraction != 0.0) {
    const double estimate = static_cast<double>(elapsed) / fraction;
    // Stay inside the 64-bit range whatever the clock says.
    if (estimate > -9.0e18 && estimate < 9.0e18)
      ttc = static_cast<std::uint64_t>(static_cast<std::int64_t>(estimate) - elapsed);
  }
  char line[128];
  std::snprintf(line, sizeof line, "\r%3" PRId64 "s TTC %3" PRIu64 "s %4.1f%% ", elapsed, ttc,
                fraction * 100.0);
  // More acknowledgements than records (a file that grew since its check)
  // still draws a full bar, never more.
  int bar = static_cast<int>(fraction * BAR_FULL);
  if (bar > BAR_FULL) bar = BAR_FULL;
  std::memset(line + BAR_START, '=', static_cast<std::size_t>(bar));
  line[BAR_START + static_cast<std::size_t>(bar)] = '\0';
  std::fputs(line, stdout);
}
