// The simulated device as a program: its options, how it stops, and `make run`'s
// script that puts it on COM1 for the utility.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "run_program.h"
#include "sim_session.h"

namespace {

// The processes whose command line mentions text.
int processes_mentioning(const std::string& text) {
  int found = 0;
  for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
    std::ifstream in(entry.path() / "cmdline", std::ios::binary);
    const std::string cmdline((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
    if (cmdline.find(text) != std::string::npos) ++found;
  }
  return found;
}

TEST(simulator_test, it_stops_when_told_and_refuses_unknown_options) {
  sim_session told;
  ASSERT_TRUE(told.ok());
  EXPECT_EQ(told.quit(), 0);

  const program_result typo = run_program({ZENTROSIM_PATH, "--line-rat"}, "");
  EXPECT_EQ(typo.status, 2);
  EXPECT_EQ(typo.err, "zentrosim: unknown option --line-rat\n");
  const program_result no_value = run_program({ZENTROSIM_PATH, "--rate"}, "");
  EXPECT_EQ(no_value.status, 2);
  EXPECT_EQ(no_value.err, "zentrosim: option --rate needs BAUD\n");

  // Each side's options are listed under the command that starts it.
  const program_result help = run_program({ZENTROSIM_PATH, "--help"}, "");
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("After \"serialtest\":\n  --serialtest-silent"), std::string::npos);
}

// Run as `make run` runs it, outside the test runner (which would end any
// process left behind by itself and so hide one).
TEST(simulator_test, the_run_script_gives_the_utility_a_device_on_com1_and_stops_it) {
  const std::string host = ZENTROHOST_PATH;
  const std::string build_dir = host.substr(0, host.rfind('/'));
  const std::string script = std::string(EXAMPLES_DIR) + "/../scripts/run-with-sim.sh";
  temp_dir scratch;  // the script's own files go here, so its simulator can be told apart
  const std::string input = scratch.write("input", "connect 1\nbaud 9600\nserialtest 1\n");
  const std::string output = scratch.path() + "/output";
  const std::string command = "TMPDIR=" + scratch.path() + " timeout 20 /bin/sh " + script + " " +
                              build_dir + " <" + input + " >" + output + " 2>&1";
  const int status = std::system(command.c_str());
  EXPECT_EQ(processes_mentioning(scratch.path() + "/tmp."), 0);
  EXPECT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);  // the end of standard input is an ordinary exit
  std::ifstream in(output, std::ios::binary);
  const std::string out((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(out.find("Connecting at 19200...\n\aConnected at 19200\n"
                     "Command> Connecting at 9600...\n\aConnected at 9600\n"
                     "Command> .\nSerial test passed: wrote 63 characters\n"),
            std::string::npos)
      << out;
}

}  // namespace
