// The firmware progress line, byte for byte, with the clock fixed.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "firmware.h"

namespace {

std::int64_t fake_now = 0;
std::int64_t fake_clock() { return fake_now; }

// The line printed for done of total when elapsed seconds have passed.
std::string progress_at(std::int64_t elapsed, unsigned done, unsigned total) {
  std::int64_t (*saved)() = fw_clock;
  fw_clock = fake_clock;
  fw_start_time = 1'700'000'000;
  fake_now = fw_start_time + elapsed;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  fw_progress(done, total);
  std::string out = testing::internal::GetCapturedStdout();
  fw_clock = saved;
  return out;
}

std::string bar(int n) { return std::string(static_cast<std::size_t>(n), '='); }

}  // namespace

TEST(FwProgress, LinesByteForByte) {
  const struct {
    std::int64_t elapsed;
    unsigned done, total;
    std::string line;
  } cases[] = {
      // The status text fills exactly the 21 columns before the bar.
      {10, 25, 100, "\r 10s TTC  30s 25.0% " + bar(14)},
      // At 100% the bar takes the place of the blank after the '%'.
      {40, 100, 100, "\r 40s TTC   0s 100.0%" + bar(59)},
      {0, 0, 100, "\r  0s TTC   0s  0.0% "},
      {5, 0, 0, "\r  5s TTC   0s  0.0% "},
      {3, 1, 3, "\r  3s TTC   6s 33.3% " + bar(19)},
      // Past 999 s the status text is longer and loses its tail to the bar.
      {1234, 1, 2, "\r1234s TTC 1234s 50.0" + bar(29)},
  };
  for (const auto& c : cases)
    EXPECT_EQ(progress_at(c.elapsed, c.done, c.total), c.line)
        << c.done << " of " << c.total << " at " << c.elapsed << " s";
}

TEST(FwProgress, MoreAcknowledgedThanRecordsKeepsAFullBar) {
  // A file that grew between its check and its transfer: the bar must stay
  // within the line buffer.
  const std::string line = progress_at(2, 5, 1);
  ASSERT_GE(line.size(), 21u + 59u);
  EXPECT_EQ(line.substr(21), bar(59));
}
