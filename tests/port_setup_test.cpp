// Port set-up against a stand-in back-end: each missing capability or failing
// system call gives its message and code, and leaves the port closed.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <string>

#include "serial_platform.h"
#include "serial_port.h"

namespace {

struct stand_in {
  port_caps caps = {0x7F, 0x000F, 0x0705, 0x00C3, 0};
  bool open_ok = true, caps_ok = true, get_line_ok = true, set_line_ok = true, timeouts_ok = true;
  int error = 0;
  int opens = 0, closes = 0;
  line_settings applied = {};
  port_timeouts timeouts = {};
};

stand_in fake;
serial_device* const fake_device = reinterpret_cast<serial_device*>(&fake);

bool result(bool ok) {
  if (!ok) fake.error = EACCES;
  return ok;
}

const serial_ops fake_ops = {
    [](const char*) -> serial_device* {
      ++fake.opens;
      return result(fake.open_ok) ? fake_device : nullptr;
    },
    [](serial_device*, port_caps* caps) {
      *caps = fake.caps;
      return result(fake.caps_ok);
    },
    [](serial_device*, line_settings* line) {
      *line = {1200, 7, 2, true, true, false};
      return result(fake.get_line_ok);
    },
    [](serial_device*, const line_settings& line) {
      fake.applied = line;
      return result(fake.set_line_ok);
    },
    [](serial_device*, const port_timeouts& t) {
      fake.timeouts = t;
      return result(fake.timeouts_ok);
    },
    [](serial_device*) { return true; },
    [](serial_device*, void*, int, int* got) {
      *got = 0;
      return true;
    },
    [](serial_device*, const void*, int len, int* sent) {
      *sent = len;
      return true;
    },
    [](serial_device* dev) {
      if (dev != nullptr) ++fake.closes;
    },
    [] { return fake.error; },
    [](int code, char* buf, std::size_t size) { std::snprintf(buf, size, "%s", strerror(code)); },
    [](unsigned) {},
};

class port_setup_test : public ::testing::Test {
 protected:
  void SetUp() override {
    fake = stand_in{};
    saved_ = serial_platform;
    serial_platform = &fake_ops;
  }
  void TearDown() override {
    close_port();
    serial_platform = saved_;
  }

 private:
  const serial_ops* saved_ = nullptr;
};

TEST_F(port_setup_test, a_capable_port_is_set_raw_8n1_with_the_time_outs) {
  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port("COM2", 4800), 0);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(fake.applied.baud, 4800);
  EXPECT_EQ(fake.applied.data_bits, 8);
  EXPECT_EQ(fake.applied.stop_bits, 1);
  EXPECT_FALSE(fake.applied.parity);
  EXPECT_FALSE(fake.applied.flow_control);
  EXPECT_TRUE(fake.applied.strip_nul);
  EXPECT_EQ(fake.timeouts.read_interval, 0u);
  EXPECT_EQ(fake.timeouts.read_multiplier, 2u);
  EXPECT_EQ(fake.timeouts.read_constant, 1u);
  EXPECT_EQ(fake.timeouts.write_multiplier, 4u);
  EXPECT_EQ(fake.timeouts.write_constant, 10u);

  // A read sets its own window and keeps it in force.
  unsigned char buf[4];
  read_port("COM2", buf, 4, 250);
  EXPECT_EQ(fake.timeouts.read_multiplier, 2u);
  EXPECT_EQ(fake.timeouts.read_constant, 260u);
  EXPECT_EQ(fake.timeouts.write_multiplier, 4u);
}

TEST_F(port_setup_test, each_failure_has_its_message_and_code_and_closes_the_port) {
  struct failure_case {
    void (*arrange)();
    int result;  // of set_comm_prop; open_port gives -3 for all of these
    const char* message;
  };
  const failure_case cases[] = {
      {[] { fake.caps.settable_params = 0x0B; }, -7,
       "\a\aError: required comm properties for port COM2 not settable: Settable Params "
       "0x0000000b\n"},
      {[] { fake.caps.settable_data = 0x0007; }, -9,
       "\a\aError: 8 data bits comm properties for port COM2 not settable: Settable Data 0x0007\n"},
      {[] { fake.caps.settable_stop_parity = 0x0001; }, -10,
       "\a\aError: 1 stop bit, no parity comm properties for port COM2 not settable: Settable "
       "Stop & Parity 0x0001\n"},
      {[] { fake.caps.settable_stop_parity = 0x0100; }, -10,
       "\a\aError: 1 stop bit, no parity comm properties for port COM2 not settable: Settable "
       "Stop & Parity 0x0100\n"},
      {[] { fake.caps.prov_capabilities = 0x40; }, -11,
       "\a\aError: timeouts comm properties for port COM2 not settable: Settable Prov Cap "
       "0x00000040\n"},
      {[] { fake.caps_ok = false; }, -4,
       "\a\aError: could not get comm properties for port COM2: Permission denied\n"},
      {[] { fake.get_line_ok = false; }, -12,
       "\a\aError: could not get the comm state for port COM2: Permission denied\n"},
      {[] { fake.set_line_ok = false; }, -13,
       "\a\aError: could not set the comm state for port COM2: Permission denied\n"},
  };
  for (const failure_case& c : cases) {
    SCOPED_TRACE(c.message);
    fake = stand_in{};
    c.arrange();
    testing::internal::CaptureStdout();
    EXPECT_EQ(open_port("COM2", 19200), -3);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message);
    EXPECT_EQ(fake.closes, 1);
  }
}

TEST_F(port_setup_test, open_and_time_out_failures) {
  fake.open_ok = false;
  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port("COM5", 9600), -2);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\a\aError: cannot open COM port COM5: Permission denied\n");
  EXPECT_EQ(fake.closes, 0);

  fake = stand_in{};
  fake.timeouts_ok = false;
  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port("COM5", 9600), -14);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\a\aError: could not set the comm timeouts for port COM5: Permission denied\n");
  EXPECT_EQ(fake.closes, 1);

  testing::internal::CaptureStdout();
  EXPECT_EQ(open_port(nullptr, 9600), -1);
  EXPECT_EQ(set_comm_prop(nullptr, 9600), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "open_port: Error: port null argument\nset_comm_prop: Error: port null argument\n");
}

TEST_F(port_setup_test, closing_twice_does_nothing_more) {
  ASSERT_EQ(open_port("COM2", 9600), 0);
  close_port();
  close_port();
  EXPECT_EQ(fake.closes, 1);
}

}  // namespace
