// "connect", "baud" and "disconnect" through the real utility against the
// simulated device on a pseudo-terminal.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "run_program.h"
#include "sim_session.h"

namespace {

const std::string connected_19200 = "Connecting at 19200...\n\aConnected at 19200\n";
const std::string ruler =
    "Dec  Hex |  0  1  2  3  4  5  6  7    8  9  a  b  c  d  e  f | 0123456789abcdef\n";

// What the utility printed after its start-up text, prompts and all.
std::string session_text(const program_result& r) {
  const std::string start = startup_text();
  if (r.out.compare(0, start.size(), start) != 0) return "(no start-up text) " + r.out;
  return r.out.substr(start.size());
}

TEST(connection_e2e_test, the_handshake_accepts_and_refuses_by_banner_and_version) {
  struct banner_case {
    std::vector<std::string> sim_args;
    std::string outcome;  // after "Connecting at 19200...\n"
  };
  const banner_case cases[] = {
      {{"--version", "2.83"}, "\aConnected at 19200\n"},
      {{"--version", "2.9"}, "\n\a\aError: received Zentrovane version 2.9 but minimal is 2.83!\n"},
      {{"--version", "3.0"}, "\aConnected at 19200\n"},
      {{"--version", "2.100"}, "\aConnected at 19200\n"},
      {{"--version", "3"}, "\aConnected at 19200\n"},
      {{"--version", "2"}, "\n\a\aError: received Zentrovane version 2.0 but minimal is 2.83!\n"},
      {{"--version", "2 (build.99)"},
       "\n\a\aError: received Zentrovane version 2.0 but minimal is 2.83!\n"},
      // A "Version " ahead of the product name does not count.
      {{"--banner", "\\r\\nVersion 2.83\\r\\nZentrovane ready\\r\\nZentro> "},
       "\n\a\aError: did not receive the Zentrovane version (minimum 2.83)!\n"},
      // NUL and high bytes in the banner do not hide what follows them.
      {{"--banner", "\\r\\n\\0\\xff\\0Zentrovane\\x80 Version 2.83\\r\\nZentro> "},
       "\aConnected at 19200\n"},
      // The device answers the handshake's empty line with nothing here.
      {{"--no-prompt", "--banner", "\\x01\\xc1ok\\0!"},
       "\n\a\aError: did not receive the Zentrovane prompt!\nExpected: Zentrovane\n"
       "Got: length 5 (0x5):\n" +
           ruler + "   0 0000| 01 23 6f 6b 21" + std::string(36, ' ') + "| .#ok!\n"},
      // Split over two bursts 300 ms apart: still one reply.
      {{"--banner-gap", "300", "--version", "2.84"}, "\aConnected at 19200\n"},
      {{"--no-prompt", "--banner", ""},
       "\n\a\aError: did not receive the Zentrovane prompt!\nExpected: Zentrovane\n"
       "Got: length 0 (0x0):\n"},
  };
  for (const banner_case& c : cases) {
    SCOPED_TRACE(c.sim_args.back());
    sim_session sim(c.sim_args);
    ASSERT_TRUE(sim.ok());
    const program_result r = sim.run_host("connect 1\n");
    EXPECT_EQ(session_text(r), "Command> Connecting at 19200...\n" + c.outcome + "Command> \n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(sim.received(), std::string("\x03\nversion\n", 10));
  }
}

TEST(connection_e2e_test, connect_twice_disconnect_and_connect_again) {
  sim_session sim({"--line-rate"});
  ASSERT_TRUE(sim.ok());
  const program_result r =
      sim.run_host("connect com1\n.\nconnect 1 9600\ndisconnect\ndisconnect\nconnect 1\nexit\n");
  EXPECT_EQ(session_text(r), "Command> " + connected_19200 +
                                 "Command> \a\aError: already Connected!\n"
                                 "Command> \a\aError: already Connected!\n"
                                 "Command> Disconnected\n"
                                 "Command> \a\aError: not Connected!\n"
                                 "Command> " +
                                 connected_19200 + "Command> ");
  EXPECT_EQ(r.status, 0);
  // Disconnecting tells the device nothing: two handshakes, nothing else.
  const std::string handshake("\x03\nversion\n", 10);
  EXPECT_EQ(sim.received(), handshake + handshake);
  EXPECT_EQ(sim.stop(), 0);  // it outlived both sessions and stops cleanly
}

TEST(connection_e2e_test, a_silent_device_costs_the_drain_window_and_the_reply_window) {
  sim_session sim({"--no-prompt", "--banner", ""});
  ASSERT_TRUE(sim.ok());
  const auto start = std::chrono::steady_clock::now();
  sim.run_host("connect 1\n");
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  // 110 ms of drain, then 2010 ms waiting for the reply.
  EXPECT_GE(took, 2120);
  EXPECT_LT(took, 3000);  // room for a loaded machine
}

// A device busy relaying traffic never leaves the line quiet; the connect
// stops draining after two seconds and its interrupt character quiets it.
TEST(connection_e2e_test, a_device_that_never_falls_silent_still_connects) {
  sim_session sim({"--line-rate", "--chatter", "0"});
  ASSERT_TRUE(sim.ok());
  const auto start = std::chrono::steady_clock::now();
  const program_result r = sim.run_host("connect 1\nexit\n");
  const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now() - start)
                        .count();
  EXPECT_EQ(session_text(r), "Command> " + connected_19200 + "Command> ");
  EXPECT_LT(took, 6000);
}

TEST(connection_e2e_test, baud_change_moves_both_ends_to_the_new_rate) {
  sim_session sim({"--line-rate"});
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host("connect 1\nbaud 9600\nbaud 57600\ndisconnect\nexit\n");
  EXPECT_EQ(session_text(r), "Command> " + connected_19200 +
                                 "Command> Connecting at 9600...\n\aConnected at 9600\n"
                                 "Command> Connecting at 57600...\n\aConnected at 57600\n"
                                 "Command> Disconnected\nCommand> ");
  EXPECT_EQ(sim.received(), std::string("\x03\nversion\nhost 9600\n\nhost 57600\n\n"));
}

TEST(connection_e2e_test, a_failed_baud_change_closes_and_connect_works_at_the_new_rate) {
  sim_session sim({"--line-rate", "--no-prompt"});
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host("connect 1\nbaud 9600\ndisconnect\nconnect 1 9600\nexit\n");
  EXPECT_EQ(session_text(r), "Command> " + connected_19200 +
                                 "Command> Connecting at 9600...\n"
                                 "\a\aError: did not receive the Zentrovane prompt!\n"
                                 "Command> \a\aError: not Connected!\n"
                                 "Command> Connecting at 9600...\n\aConnected at 9600\n"
                                 "Command> ");
}

TEST(connection_e2e_test, a_second_utility_cannot_open_the_port_in_use) {
  sim_session sim({"--line-rate"});
  ASSERT_TRUE(sim.ok());
  program_result first;
  std::thread holder([&] { first = sim.run_host("connect 1\nserialtest 40\nexit\n"); });
  // Wait (bounded) until the first copy is connected and testing.
  for (int i = 0; i < 500 && sim.received().find('@') == std::string::npos; ++i) usleep(20000);
  const program_result second = sim.run_host("connect 1\nexit\n");
  holder.join();
  EXPECT_EQ(session_text(second),
            "Command> Connecting at 19200...\n"
            "\a\aError: cannot open COM port COM1: Device or resource busy\n"
            "\a\aError: could not open COM port COM1\n"
            "Command> ");
  EXPECT_NE(first.out.find("Serial test passed: wrote 2520 characters\n"), std::string::npos);
}

TEST(connection_e2e_test, a_port_that_does_not_exist_is_reported) {
  temp_dir dir;
  run_options options;
  options.env.push_back({"ZENTROVANE_COM4", dir.path() + "/nothing"});
  const program_result r = run_host("connect 4 9600\n", options);
  EXPECT_EQ(session_text(r),
            "Command> Connecting at 9600...\n"
            "\a\aError: cannot open COM port COM4: No such file or directory\n"
            "\a\aError: could not open COM port COM4\n"
            "Command> \n");
}

// The device vanishes while the utility waits for its banner.
TEST(connection_e2e_test, a_hang_up_during_a_read_ends_the_process) {
  sim_session sim({"--hangup-after", "10"});
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host("connect 1\nexit\n");
  EXPECT_EQ(session_text(r), "Command> Connecting at 19200...\n");
  EXPECT_EQ(r.err,
            "\a\aError: could not read on COM port COM1: Input/output error\n"
            "Return code 26, system error code 5\n");
  EXPECT_EQ(r.status, -1);  // aborted
}

}  // namespace
