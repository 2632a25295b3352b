// "serialtest" through the real utility against the simulated device.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "run_program.h"
#include "sim_session.h"

namespace {

const std::string connected = "Command> Connecting at 19200...\n\aConnected at 19200\n";

std::string session_text(const program_result& r) {
  const std::string start = startup_text();
  if (r.out.compare(0, start.size(), start) != 0) return "(no start-up text) " + r.out;
  return r.out.substr(start.size());
}

std::string test_characters(int iterations) {
  std::string s;
  for (int i = 0; i < iterations; ++i)
    for (char c = 0x40; c <= 0x7E; ++c) s += c;
  return s;
}

TEST(serialtest_e2e_test, bad_counts_keep_the_connection_and_a_good_one_echoes_all) {
  sim_session sim({"--line-rate"});
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host(
      "connect 1\nserialtest 0\nserialtest -5\nserialtest abc\nserialtest 2x\n"
      "serialtest 1\ndisconnect\nexit\n");
  EXPECT_EQ(session_text(r), connected +
                                 "Command> \a\aError: Invalid iteration count: 0\n"
                                 "Command> \a\aError: Invalid iteration count: -5\n"
                                 "Command> \a\aError: Invalid iteration count: 0\n"
                                 "Command> ..\nSerial test passed: wrote 126 characters\n"
                                 "Command> .\nSerial test passed: wrote 63 characters\n"
                                 "Command> Disconnected\nCommand> ");
  // Each run ends the device's echo mode with 0x03, and nothing else is sent.
  EXPECT_EQ(sim.received(), std::string("\x03\nversion\n") + "serialtest\n" + test_characters(2) +
                                "\x03" + "serialtest\n" + test_characters(1) + "\x03");
}

TEST(serialtest_e2e_test, failures_close_the_connection_without_ending_echo_mode) {
  struct failure_case {
    std::vector<std::string> sim_args;
    std::string message;
    std::string device_got;  // after the handshake
  };
  const failure_case cases[] = {
      {{"--wrong-echo-after", "0"},
       "\n\a\aError: serialtest mismatch character 0x40, got 0x41\n",
       "serialtest\n@"},
      {{"--wrong-echo-after", "68", "--wrong-echo", "0xc1"},
       "\n\a\aError: serialtest mismatch character 0x45, got 0xc1\n",
       "serialtest\n" + test_characters(1) + "@ABCDE"},
      {{"--echo-stop-after", "3"},
       "\n\a\aError: did not receive the serialtest response on port COM1!\n",
       "serialtest\n@ABC"},
      {{"--serialtest-silent"},
       "\n\a\aError: did not receive the serialtest response!\nGot: length 0 (0x0):\n",
       "serialtest\n"},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE(c.message);
    sim_session sim(c.sim_args);
    ASSERT_TRUE(sim.ok());
    const program_result r = sim.run_host("connect 1\nserialtest 3\ndisconnect\n");
    const std::string dots = c.device_got.size() > 70 ? "." : "";
    EXPECT_EQ(session_text(r), connected + "Command> " + dots + c.message +
                                   "Command> \a\aError: not Connected!\nCommand> \n");
    EXPECT_EQ(sim.received(), std::string("\x03\nversion\n") + c.device_got);
  }
}

}  // namespace
