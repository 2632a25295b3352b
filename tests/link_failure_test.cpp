// A write that fails at each step of connect, baud change and serial test:
// each step has its own message, and every one of them leaves the connection
// closed. The device is a stand-in back-end that replays replies and fails
// the write after a given number of good ones.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <string>

#include "fake_port.h"
#include "link.h"
#include "serial_platform.h"
#include "serial_port.h"

namespace {

struct scripted_device {
  int good_writes = -1;             // writes that succeed before one fails; -1: all do
  int good_opens = -1;              // the same for opens
  std::deque<std::string> replies;  // one per read; then echoes of the last byte written
  std::string written;
  bool open = false;
};

scripted_device device;
int device_token;
serial_device* const handle = reinterpret_cast<serial_device*>(&device_token);

const serial_ops scripted_ops = capable_port({
    .open = [](const char*) -> serial_device* {
      if (device.good_opens == 0) return nullptr;
      if (device.good_opens > 0) --device.good_opens;
      device.open = true;
      return handle;
    },
    .read =
        [](serial_device*, void* buf, int size, int* got) {
          std::string reply;
          if (!device.replies.empty()) {
            reply = device.replies.front();
            device.replies.pop_front();
          } else if (!device.written.empty()) {
            reply = device.written.substr(device.written.size() - 1);
          }
          *got = std::min(size, static_cast<int>(reply.size()));
          std::memcpy(buf, reply.data(), static_cast<std::size_t>(*got));
          return true;
        },
    .write =
        [](serial_device*, const void* buf, int len, int* sent) {
          if (device.good_writes == 0) {
            *sent = 0;
            return false;
          }
          if (device.good_writes > 0) --device.good_writes;
          device.written.append(static_cast<const char*>(buf), static_cast<std::size_t>(len));
          *sent = len;
          return true;
        },
    .close = [](serial_device*) { device.open = false; },
    .last_error = [] { return EPIPE; },
});

const std::string banner = "\r\nZentrovane Version 2.83\r\nZentro> ";
const std::string echo_banner = "\r\nBegin serial test: end with <ctrl>-c\r\n";

class link_failure_test : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = serial_platform;
    serial_platform = &scripted_ops;
    std::snprintf(port_name, sizeof port_name, "COM1");
  }
  void TearDown() override {
    close_connection();
    serial_platform = saved_;
  }
  // Connects with good writes only, then lets `more` writes pass.
  void connect_then_allow(int more, int more_opens = -1) {
    device = scripted_device{};
    device.replies = {"", banner};
    testing::internal::CaptureStdout();
    ASSERT_EQ(connect_device(19200, 0), 0);
    testing::internal::GetCapturedStdout();
    device.good_writes = more;
    device.good_opens = more_opens;
  }

 private:
  const serial_ops* saved_ = nullptr;
};

TEST_F(link_failure_test, a_failed_handshake_write_fails_the_connect_with_3) {
  device = scripted_device{};
  device.good_writes = 0;
  device.replies = {""};
  testing::internal::CaptureStdout();
  EXPECT_EQ(connect_device(19200, 0), 3);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Connecting at 19200...\n"
            "\a\aError: wrote 0 of 10, got error on port COM1: Broken pipe\n"
            "\n\a\aError: wrote interrupt character and version command, got error on port COM1\n");
  EXPECT_EQ(connected, 0);
  EXPECT_FALSE(device.open);
}

TEST_F(link_failure_test, failed_steps_of_a_baud_change) {
  struct step_case {
    int good_writes;
    int good_opens;
    std::string output;
  };
  const step_case cases[] = {
      {0, -1,
       "\a\aError: wrote 0 of 10, got error on port COM1: Broken pipe\n"
       "\a\aError: wrote Host Baud command, got error on port COM1\n"},
      {1, -1,
       "Connecting at 9600...\n"
       "\a\aError: wrote 0 of 1, got error on port COM1: Broken pipe\n"
       "\a\aError: wrote CR character, got error on port COM1\n"},
      // The port is gone when it is opened again at the new rate.
      {1, 0,
       "Connecting at 9600...\n"
       "\a\aError: cannot open COM port COM1: Broken pipe\n"
       "\a\aError: could not open COM port COM1\n"},
  };
  for (const step_case& c : cases) {
    SCOPED_TRACE(c.good_writes);
    connect_then_allow(c.good_writes, c.good_opens);
    testing::internal::CaptureStdout();
    change_baud(9600);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(connected, 0);
    EXPECT_FALSE(device.open);
  }
}

TEST_F(link_failure_test, failed_writes_in_a_serial_test) {
  struct step_case {
    int good_writes;
    std::string output;
  };
  const step_case cases[] = {
      {0,
       "\a\aError: wrote 0 of 11, got error on port COM1: Broken pipe\n"
       "\n\a\aError: wrote serialtest command, got error on port COM1\n"},
      {1 + 63 + 5,
       ".\a\aError: wrote 0 of 1, got error on port COM1: Broken pipe\n"
       "\n\a\aError: wrote serialtest count 2 value 0x45, got error on port COM1\n"},
      {1 + 126,
       "..\nSerial test passed: wrote 126 characters\n"
       "\a\aError: wrote 0 of 1, got error on port COM1: Broken pipe\n"
       "\n\a\aError: wrote serialtest termination command, got error on port COM1\n"},
  };
  for (const step_case& c : cases) {
    SCOPED_TRACE(c.good_writes);
    connect_then_allow(c.good_writes);
    device.replies = {echo_banner};
    testing::internal::CaptureStdout();
    serial_test(44, "2");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.output);
    EXPECT_EQ(connected, 0);
    EXPECT_FALSE(device.open);
  }
}

TEST_F(link_failure_test, a_command_code_other_than_serialtest_is_refused) {
  connect_then_allow(-1);
  testing::internal::CaptureStdout();
  serial_test(30, "2");
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\a\aError: Invalid command 30\n");
  EXPECT_EQ(connected, 1);
}

}  // namespace
