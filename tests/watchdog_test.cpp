// The process runner is the suite's watchdog: a program that outlives its
// time limit is killed with everything it started, however it hangs, and a
// program that ends leaves nothing of its own running.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <string>

#include "run_program.h"

namespace {

// Alive and not merely a zombie waiting to be reaped.
bool running(const std::string& pid) {
  std::ifstream stat("/proc/" + pid + "/stat");
  std::string line;
  if (!std::getline(stat, line)) return false;
  const std::size_t paren = line.rfind(')');
  return paren != std::string::npos && paren + 2 < line.size() && line[paren + 2] != 'Z' &&
         line[paren + 2] != 'X';
}

TEST(Watchdog, HangingProgramsAreKilledAtTheirLimit) {
  struct hang {
    const char* name;
    const char* script;
  };
  const hang hangs[] = {
      {"waits with its output open", "sleep 30"},
      {"closes its output, then waits", "exec >&- 2>&-; sleep 30"},
      {"waits for a child that waits", "sleep 30 & wait"},
  };
  for (const hang& h : hangs) {
    SCOPED_TRACE(h.name);
    run_options opt;
    opt.time_limit_s = 0.5;
    const auto start = std::chrono::steady_clock::now();
    const program_result r = run_program({"/bin/sh", "-c", h.script}, "", opt);
    const double took =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_TRUE(r.timed_out);
    EXPECT_EQ(r.status, -1);
    EXPECT_LT(took, 5.0);
  }
}

TEST(Watchdog, NothingAProgramStartedOutlivesIt) {
  const program_result r = run_program({"/bin/sh", "-c", "sleep 30 & echo $!"}, "");
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  const std::string pid = r.out.substr(0, r.out.find('\n'));
  ASSERT_FALSE(pid.empty());
  for (int i = 0; i < 100 && running(pid); ++i) usleep(10000);
  EXPECT_FALSE(running(pid));
}

}  // namespace
