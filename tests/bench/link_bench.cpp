// Link benchmarks (not a test): "connect" and "serialtest 20" against the
// simulated device with the line modelled at 19200 baud.
//
// For each session: the wall time of the whole utility run, the time the
// protocol itself mandates (its read windows and the line time of every
// byte), their ratio, and the CPU time the utility used. Each session runs
// three times; the median run is shown.
#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "sim_session.h"

namespace {

constexpr double CHAR_MS = 10000.0 / 19200.0;  // one 10-bit character at 19200 baud

// Drain: one silent 40-byte window (100 + 10 ms, no per-character term at
// 19200); the 10 handshake bytes; the reply window of 2000 + 10 ms, which a
// banner of fewer than 200 bytes never cuts short.
constexpr double CONNECT_MS = 110.0 + 10 * CHAR_MS + 2010.0;

// "serialtest\n"; the 1000 + 10 ms answer window; 20 x 63 echo exchanges of
// two characters each; the closing 0x03.
constexpr double SERIALTEST_MS = 11 * CHAR_MS + 1010.0 + 20 * 63 * 2 * CHAR_MS + CHAR_MS;

struct figures {
  double wall_ms;
  double cpu_ms;
  double segment_ms;  // from the device's log, when asked for
  bool ok;
};

double children_cpu_ms() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0 +
         (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

// The serial test as the device saw it: from the first byte of its command to
// the closing 0x03.
double serialtest_segment_ms(const sim_session& sim) {
  const std::vector<wire_byte> wire = sim.wire();
  std::string received;
  std::vector<std::int64_t> times;
  for (const wire_byte& b : wire)
    if (b.kind == 'R') {
      received += static_cast<char>(b.value);
      times.push_back(b.t_us);
    }
  const std::size_t start = received.find("serialtest\n");
  const std::size_t end = received.rfind('\x03');
  if (start == std::string::npos || end == std::string::npos || end < start) return -1;
  return (times[end] - times[start]) / 1000.0;
}

figures run_once(const std::string& input, const std::string& expect) {
  sim_session sim({"--line-rate", "--rate", "19200"});
  figures f = {0, 0, -1, false};
  if (!sim.ok()) return f;
  const double cpu0 = children_cpu_ms();
  const auto t0 = std::chrono::steady_clock::now();
  const program_result r = sim.run_host(input);
  f.wall_ms =
      std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
  f.cpu_ms = children_cpu_ms() - cpu0;
  f.ok = r.status == 0 && r.out.find(expect) != std::string::npos;
  f.segment_ms = serialtest_segment_ms(sim);
  return f;
}

figures median_of_three(const std::string& input, const std::string& expect) {
  std::vector<figures> runs;
  for (int i = 0; i < 3; ++i) runs.push_back(run_once(input, expect));
  std::sort(runs.begin(), runs.end(),
            [](const figures& a, const figures& b) { return a.wall_ms < b.wall_ms; });
  for (const figures& f : runs)
    if (!f.ok) return f;
  return runs[1];
}

void report(const char* name, double wall, double mandated, double cpu) {
  std::printf("%-24s wall %8.1f ms  mandated %8.1f ms  ratio %.4f  cpu %6.1f ms (%.2f%% of wall)\n",
              name, wall, mandated, wall / mandated, cpu, 100.0 * cpu / wall);
}

}  // namespace

int main() {
  std::printf("Link benchmark: zentrohost against zentrosim, line modelled at 19200 baud\n");
  const figures connect = median_of_three("connect 1\nexit\n", "\aConnected at 19200\n");
  if (!connect.ok) {
    std::printf("connect failed\n");
    return 1;
  }
  report("connect (whole run)", connect.wall_ms, CONNECT_MS, connect.cpu_ms);

  const figures test = median_of_three("connect 1\nserialtest 20\nexit\n",
                                       "Serial test passed: wrote 1260 characters\n");
  if (!test.ok) {
    std::printf("serialtest 20 failed\n");
    return 1;
  }
  report("serialtest 20 (whole run)", test.wall_ms, CONNECT_MS + SERIALTEST_MS, test.cpu_ms);
  // The test alone, timed by the device; the utility's CPU time beyond connect.
  report("serialtest 20 (on line)", test.segment_ms, SERIALTEST_MS, test.cpu_ms - connect.cpu_ms);
  std::printf("beyond the line time: %.0f us per echo exchange (two pty hand-overs and wake-ups)\n",
              (test.segment_ms - SERIALTEST_MS) * 1000.0 / (20 * 63));
  return 0;
}
