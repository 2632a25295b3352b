// The port operations on a real pseudo-terminal, and their set-up checks
// against a stand-in back-end that reports what a test asks of it.
#include "serial_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "conf_rec.h"
#include "posix_rate.h"
#include "pty_pair.h"
#include "serial_platform.h"

namespace {

using clock_type = std::chrono::steady_clock;

long elapsed_ms(clock_type::time_point start) {
  return static_cast<long>(
      std::chrono::duration_cast<std::chrono::milliseconds>(clock_type::now() - start).count());
}

class port_test : public ::testing::Test {
 protected:
  void TearDown() override { close_port(); }
  pty_pair pty;
};

TEST_F(port_test, bytes_cross_both_ways_and_received_nul_bytes_are_dropped) {
  ASSERT_EQ(open_port(pty.path().c_str(), 19200), 0);
  const std::string command("\x03\nversion\n", 10);
  EXPECT_EQ(write_port("COM1", command.data(), 10), 10);
  EXPECT_EQ(pty.receive(10), command);

  pty.send(std::string("Zen\0tro\xff", 8));
  unsigned char buf[16] = {};
  EXPECT_EQ(read_port("COM1", buf, 7, 100), 7);
  EXPECT_EQ(std::string(reinterpret_cast<char*>(buf), 7), "Zentro\xff");
}

// A read waits for its whole count or its window: timeout + 10 + size x
// (10000 / baud) milliseconds.
TEST_F(port_test, a_short_read_lasts_its_whole_window) {
  struct window_case {
    long baud;
    int size;
    int timeout;
    long window_ms;
  };
  const window_case cases[] = {{19200, 40, 100, 110}, {4800, 40, 100, 190}, {9600, 1, 50, 61}};
  for (const window_case& c : cases) {
    SCOPED_TRACE(c.baud);
    ASSERT_EQ(open_port(pty.path().c_str(), c.baud), 0);
    pty.send("ab");
    unsigned char buf[64];
    const auto start = clock_type::now();
    EXPECT_EQ(read_port("COM1", buf, c.size, c.timeout), c.size < 2 ? c.size : 2);
    if (c.size > 2) {
      const long took = elapsed_ms(start);
      EXPECT_GE(took, c.window_ms);
      EXPECT_LT(took, c.window_ms + 100);  // room for a loaded machine
    }
    close_port();
    pty.receive();
  }
}

TEST_F(port_test, a_read_returns_as_soon_as_its_count_has_arrived) {
  ASSERT_EQ(open_port(pty.path().c_str(), 19200), 0);
  pty.send("0123456789");
  unsigned char buf[10];
  const auto start = clock_type::now();
  EXPECT_EQ(read_port("COM1", buf, 10, 2000), 10);
  EXPECT_LT(elapsed_ms(start), 100);
}

TEST_F(port_test, every_table_rate_is_set_and_read_back) {
  for (const baud_entry* e = baud_table; e->baud != 0; ++e) {
    SCOPED_TRACE(e->baud);
    ASSERT_EQ(open_port(pty.path().c_str(), e->baud), 0);
    EXPECT_EQ(posix_read_rate(pty.master()), static_cast<long>(e->baud));
    close_port();
  }
}

TEST_F(port_test, a_rate_outside_the_table_is_refused_and_the_port_closed) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port(pty.path().c_str(), 12345), -3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\a\aError: Invalid baud rate 12345\n");
  // Closed: a fresh open of the same port succeeds.
  EXPECT_EQ(open_port(pty.path().c_str(), 9600), 0);
}

TEST_F(port_test, com_names_map_to_the_environment_or_to_ttyS) {
  setenv("ZENTROVANE_COM7", pty.path().c_str(), 1);
  EXPECT_EQ(open_port("COM7", 9600), 0);
  EXPECT_EQ(write_port("COM7", "x", 1), 1);
  EXPECT_EQ(pty.receive(1), "x");
  close_port();
  unsetenv("ZENTROVANE_COM7");

  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port("COM99", 9600), -2);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_EQ(out, "\a\aError: cannot open COM port COM99: No such file or directory\n");
}

TEST_F(port_test, a_port_in_use_cannot_be_opened_again) {
  ASSERT_EQ(open_port(pty.path().c_str(), 9600), 0);
  serial_device* second = serial_platform->open(pty.path().c_str());
  EXPECT_EQ(second, nullptr);
  EXPECT_STREQ(sys_error_text(), "Device or resource busy");
  serial_platform->close(second);
  close_port();
  // Released on close.
  serial_device* again = serial_platform->open(pty.path().c_str());
  EXPECT_NE(again, nullptr);
  serial_platform->close(again);
}

TEST_F(port_test, write_argument_checks_send_nothing) {
  ASSERT_EQ(open_port(pty.path().c_str(), 9600), 0);
  struct arg_case {
    const char* port;
    const void* buf;
    int len;
    int result;
    const char* message;
  };
  const arg_case cases[] = {
      {nullptr, "x", 1, -1, "write_port: Error: invalid param file port\n"},
      {"COM1", nullptr, 1, -2, "write_port: Error: invalid param buf ptr\n"},
      {"COM1", "x", 0, -1, "write_port: Error: invalid param len: 0\n"},
      {"COM1", "x", -4, -1, "write_port: Error: invalid param len: -4\n"},
  };
  for (const arg_case& c : cases) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(write_port(c.port, c.buf, c.len), c.result);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
  }
  EXPECT_EQ(pty.receive(), "");
}

// The device stops reading: the write ends on its time-out part-way, and that
// is reported with the count that really left.
TEST_F(port_test, a_write_cut_short_by_its_time_out_fails_with_the_real_count) {
  ASSERT_EQ(open_port(pty.path().c_str(), 57600), 0);
  const std::vector<char> big(1 << 20, 'u');
  testing::internal::CaptureStdout();
  const auto start = clock_type::now();
  EXPECT_EQ(write_port("COM1", big.data(), static_cast<int>(big.size())), -3);
  EXPECT_LT(elapsed_ms(start), 1000);
  const std::string out = testing::internal::GetCapturedStdout();
  int sent = -1, len = -1;
  char tail[128] = {};
  ASSERT_EQ(std::sscanf(out.c_str(), "\a\aError: wrote %d of %d, got error on port COM1: %127[^\n]",
                        &sent, &len, tail),
            3)
      << out;
  EXPECT_GT(sent, 0);
  EXPECT_LT(sent, len);
  EXPECT_EQ(len, 1 << 20);
  EXPECT_STREQ(tail, "Connection timed out");
}

// Purging drops what came in unread, but what was written has left and must
// still reach the device (a pty would lose it to an output flush).
TEST_F(port_test, purge_drops_unread_input_and_keeps_what_was_sent) {
  ASSERT_EQ(open_port(pty.path().c_str(), 19200), 0);
  pty.send("stale");
  usleep(20000);
  EXPECT_EQ(write_port("COM1", "host 9600\n", 10), 10);
  purge_port("COM1");
  unsigned char buf[8];
  EXPECT_EQ(read_port("COM1", buf, 8, 30), 0);
  EXPECT_EQ(pty.receive(10), "host 9600\n");
}

TEST(port_fatal_test, a_hang_up_during_a_read_is_fatal) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(
      {
        pty_pair pty;
        if (open_port(pty.path().c_str(), 19200) != 0) std::exit(3);
        pty.hang_up();
        unsigned char buf[4];
        read_port("COM4", buf, 4, 1000);
      },
      "\a\aError: could not read on COM port COM4: Input/output error\n"
      "Return code 26, system error code 5\n");
}

}  // namespace
