// Devices that misbehave on the line, against the real program: one that
// floods the port, one that answers byte by byte just inside each window,
// and one that hangs up in the middle of a download or a firmware update.
// The device is played by this test on a pseudo-terminal; the program runs
// as its own process, so its fatal exit on a vanished port can be seen.
#include <gtest/gtest.h>
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "download_side.h"
#include "fake_port.h"
#include "firmware.h"
#include "firmware_side.h"
#include "link.h"
#include "pty_pair.h"
#include "run_program.h"
#include "serial_platform.h"

namespace {

using clock_type = std::chrono::steady_clock;

const std::string BANNER =
    "\r\nZentrovane APRS Digipeater Version 2.83\r\n(c) Zentrovane\r\nZentro> ";

// The device's end of the line. react() runs on the device's thread with
// everything received and not yet consumed; it consumes what it has handled.
class played_device {
 public:
  using reaction = std::function<void(played_device&, std::string& pending)>;

  explicit played_device(reaction react, bool flood = false)
      : react_(std::move(react)), flood_(flood) {
    thread_ = std::thread([this] { run(); });
  }
  ~played_device() { stop(); }
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const std::string& path() const { return pty_.path(); }

  void send(const std::string& bytes) { pty_.send(bytes); }
  // One byte at a time, gap_ms apart.
  void send_slowly(const std::string& bytes, int gap_ms) {
    for (char c : bytes) {
      if (stop_ || hung_up_) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(gap_ms));
      pty_.send(std::string(1, c));
    }
  }
  void hang_up() {
    hung_up_ = true;
    pty_.hang_up();
  }

 private:
  void run() {
    std::string pending;
    const std::string noise(256, 'U');
    while (!stop_ && !hung_up_) {
      pollfd p = {pty_.master(), static_cast<short>(POLLIN | (flood_ ? POLLOUT : 0)), 0};
      if (poll(&p, 1, 5) <= 0) continue;
      if (p.revents & POLLIN) {
        char buf[512];
        const ssize_t n = read(pty_.master(), buf, sizeof buf);
        if (n > 0) {
          pending.append(buf, static_cast<std::size_t>(n));
          if (!flood_) react_(*this, pending);
        }
      }
      if (flood_ && (p.revents & POLLOUT)) {
        const ssize_t n = write(pty_.master(), noise.data(), noise.size());
        (void)n;
      }
    }
  }

  pty_pair pty_;
  reaction react_;
  bool flood_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> hung_up_{false};
  std::thread thread_;
};

// Consumes text up to and including a command line; false when it has not
// come yet.
bool take_command(std::string& pending, const std::string& command) {
  const std::size_t at = pending.find(command);
  if (at == std::string::npos) return false;
  pending.erase(0, at + command.size());
  return true;
}

struct timed_result {
  program_result r;
  double seconds;
};

timed_result run_against(const played_device& device, const std::string& input) {
  run_options opt;
  opt.env = {{"ZENTROVANE_COM1", device.path()}};
  opt.time_limit_s = 60;
  const auto start = clock_type::now();
  timed_result t{run_host(input, opt), 0};
  t.seconds = std::chrono::duration<double>(clock_type::now() - start).count();
  return t;
}

const std::string HEX = ":0400000001020304F2\n:0400040005060708DE\n:00000001FF\n";

TEST(DeviceHostile, FloodingDeviceGetsAnAnswerInBoundedTime) {
  temp_dir dir;
  const std::string fw = dir.write("fw.hex", HEX);
  played_device device({}, true);
  const timed_result t = run_against(device, "connect 1\nfirmware 1 " + fw + "\ny\n\nexit\n");
  device.stop();
  ASSERT_FALSE(t.r.timed_out);
  EXPECT_EQ(t.r.status, 0);
  EXPECT_LT(t.seconds, 15.0);
  // The reply read fills with noise: no banner in it, so no connection.
  EXPECT_NE(t.r.out.find("\n\a\aError: did not receive the Zentrovane prompt!\n"
                         "Expected: Zentrovane\nGot: length 200 (0xc8):\n"),
            std::string::npos)
      << t.r.out;
  EXPECT_EQ(t.r.out.find("Connected at"), std::string::npos);
  // The firmware update finds no loader prompt in the noise and stops there.
  EXPECT_NE(t.r.out.find("\n\a\aError: did not receive the Zentrovane Firmware prompt!\n"
                         "\nRead #1 got 1 char\nRead #2 got 19 chars:\n"
                         "0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 0x55 "
                         "0x55 0x55 0x55 0x55 0x55 0x55 0x55 \nDisconnected\n"
                         "Error: Firmware update failed!\n\tTry again!\n"),
            std::string::npos)
      << t.r.out;
}

// A port that never runs dry: every read is filled at once, however long
// the program goes on reading. The drains before the handshake and before the
// firmware reset must give up on their own.
int noise_device;  // its address is the open port's handle

const serial_ops endless_noise = capable_port({
    .open = [](const char*) { return reinterpret_cast<serial_device*>(&noise_device); },
    .read =
        [](serial_device*, void* buf, int size, int* got) {
          std::memset(buf, 'U', static_cast<std::size_t>(size));
          *got = size;
          return true;
        },
    .error_text = [](int, char* buf, std::size_t size) { std::snprintf(buf, size, "no error"); },
});

TEST(DeviceHostile, AnEndlessFloodCannotHoldTheDrains) {
  const serial_ops* const real = serial_platform;
  serial_platform = &endless_noise;
  ASSERT_NE(std::freopen("/dev/null", "r", stdin), nullptr);  // the firmware's Enter
  temp_dir dir;
  const std::string fw = dir.write("fw.hex", HEX);
  std::snprintf(port_name, sizeof port_name, "COM1");
  testing::internal::CaptureStdout();
  auto start = clock_type::now();
  const int connect_result = connect_device(19200, 0);
  const double connect_s = std::chrono::duration<double>(clock_type::now() - start).count();
  start = clock_type::now();
  const int firmware_result = firmware(1, fw.c_str());
  const double firmware_s = std::chrono::duration<double>(clock_type::now() - start).count();
  const std::string out = testing::internal::GetCapturedStdout();
  serial_platform = real;
  EXPECT_EQ(connect_result, 3);  // no banner in the noise
  EXPECT_EQ(connected, 0);
  EXPECT_EQ(firmware_result, -6);  // no loader prompt in the noise
  EXPECT_LT(connect_s, 5.0);
  EXPECT_LT(firmware_s, 5.0);
  EXPECT_NE(out.find("Got: length 200 (0xc8):\n"), std::string::npos) << out;
  EXPECT_NE(out.find("\n\a\aError: did not receive the Zentrovane Firmware prompt!\n"),
            std::string::npos)
      << out;
}

TEST(DeviceHostile, RepliesByteByByteJustInsideTheirWindowsAreTaken) {
  // The banner spread over 1.6 s of the 2 s reply window; a serial test whose
  // first two echoes come 0.9 s into their 1 s windows; a download whose
  // first packet is acknowledged 4.8 s into its 5 s window; then a firmware
  // update whose every record reply comes 70 ms into its 100 ms.
  temp_dir dir;
  const std::string fw = dir.write("fw.hex", HEX);
  enum class phase { banner, command, echo, download, loader };
  phase at = phase::banner;
  download_side dl;
  firmware_side loader;
  bool first_answer = true;
  int echoes = 0;
  played_device device([&](played_device& d, std::string& pending) {
    std::string answers;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pending.data());
    switch (at) {
      case phase::banner:
        if (!take_command(pending, "version\n")) return;
        d.send_slowly(BANNER.substr(0, 50), 1600 / 50);
        d.send(BANNER.substr(50));
        at = phase::command;
        return;
      case phase::echo:
        while (!pending.empty() && at == phase::echo) {
          const char c = pending[0];
          pending.erase(0, 1);
          if (c == '\x03') {
            at = phase::command;
          } else {
            if (echoes++ < 2) std::this_thread::sleep_for(std::chrono::milliseconds(900));
            d.send(std::string(1, c));
          }
        }
        return;
      case phase::command:
        if (take_command(pending, "serialtest\n")) {
          d.send("\r\nBegin serial test: end with <ctrl>-c\r\n");
          at = phase::echo;
          return;
        }
        if (take_command(pending, "download\n")) at = phase::download;
        if (take_command(pending, "reset\n")) {
          std::this_thread::sleep_for(std::chrono::milliseconds(250));
          d.send(loader.reset());
          pending.clear();
          at = phase::loader;
        }
        if (at != phase::download) return;
        bytes = reinterpret_cast<const std::uint8_t*>(pending.data());
        [[fallthrough]];
      case phase::download:
        dl.feed(bytes, pending.size(), answers);
        pending.clear();
        if (!answers.empty() && first_answer) {
          first_answer = false;
          std::this_thread::sleep_for(std::chrono::milliseconds(4800));
        }
        d.send(answers);
        if (dl.done()) at = phase::command;
        return;
      case phase::loader: {
        const std::size_t lines = loader.lines().size();
        loader.feed(bytes, pending.size(), answers);
        pending.clear();
        if (loader.lines().size() > lines)
          std::this_thread::sleep_for(std::chrono::milliseconds(70));
        d.send(answers);
        return;
      }
    }
  });
  const timed_result t = run_against(
      device, "connect 1\nserialtest 1\ndownload\ny\ny\nfirmware 1 " + fw + "\ny\n\nexit\n");
  device.stop();
  ASSERT_FALSE(t.r.timed_out);
  EXPECT_EQ(t.r.status, 0) << t.r.out;
  EXPECT_NE(t.r.out.find("\aConnected at 19200\n"), std::string::npos) << t.r.out;
  EXPECT_NE(t.r.out.find(".\nSerial test passed: wrote 63 characters\n"), std::string::npos);
  EXPECT_TRUE(dl.done());
  EXPECT_NE(t.r.out.find("Downloading Rules succeeded\nDisconnected\n"), std::string::npos);
  EXPECT_TRUE(loader.finished());
  EXPECT_NE(t.r.out.find("\a\aFirmware update succeeded!\n"), std::string::npos) << t.r.out;
  EXPECT_EQ(t.r.out.find("Error"), std::string::npos) << t.r.out;
}

// A port that vanishes while the program waits on it ends the program on
// the fatal path: the message and the return code on standard error, then an
// abnormal end after the 5-second pause. Nothing hangs, and the operator's
// files are as they were.
void expect_fatal_read(const timed_result& t) {
  ASSERT_FALSE(t.r.timed_out);
  EXPECT_EQ(t.r.status, -1);  // ended by a signal (abort)
  EXPECT_EQ(t.r.err.rfind("\a\aError: could not read on COM port COM1: ", 0), 0u) << t.r.err;
  EXPECT_NE(t.r.err.find("Return code 26, system error code "), std::string::npos) << t.r.err;
  EXPECT_GE(t.seconds, 4.5);
  EXPECT_LT(t.seconds, 20.0);
}

TEST(DeviceHostile, HangUpInTheMiddleOfADownloadIsFatal) {
  download_side dl;
  bool downloading = false;
  played_device device([&](played_device& d, std::string& pending) {
    if (!downloading && take_command(pending, "version\n")) d.send(BANNER);
    if (!downloading && take_command(pending, "download\n")) downloading = true;
    if (!downloading || pending.empty()) return;
    std::string answers;
    dl.feed(reinterpret_cast<const std::uint8_t*>(pending.data()), pending.size(), answers);
    pending.clear();
    // The third packet (the second of the configuration data) never gets
    // its answer: the device is gone.
    if (dl.packet_sizes().size() >= 3)
      d.hang_up();
    else
      d.send(answers);
  });
  const timed_result t = run_against(device, "connect 1\ndownload\ny\ny\nexit\n");
  device.stop();
  expect_fatal_read(t);
  if (HasFailure()) ADD_FAILURE() << t.r.out.substr(startup_text().size());
  EXPECT_NE(t.r.out.find("\aConnected at 19200\n"), std::string::npos);
  EXPECT_EQ(t.r.out.find("Disconnected"), std::string::npos);
}

TEST(DeviceHostile, HangUpInTheMiddleOfAFirmwareUpdateIsFatal) {
  temp_dir dir;
  const std::string fw = dir.write("fw.hex", HEX);
  firmware_side loader;
  played_device device([&](played_device& d, std::string& pending) {
    if (!loader.in_loader()) {
      if (!take_command(pending, "reset\n")) return;
      std::this_thread::sleep_for(std::chrono::milliseconds(250));
      d.send(loader.reset());
      pending.clear();
      return;
    }
    std::string answers;
    loader.feed(reinterpret_cast<const std::uint8_t*>(pending.data()), pending.size(), answers);
    pending.clear();
    if (loader.lines().size() >= 2)  // gone before it answers the second record
      d.hang_up();
    else
      d.send(answers);
  });
  const timed_result t = run_against(device, "firmware 1 " + fw + "\ny\n\nexit\n");
  device.stop();
  expect_fatal_read(t);
  if (HasFailure()) ADD_FAILURE() << t.r.out.substr(startup_text().size());
  EXPECT_NE(t.r.out.find("\a\nConnected at 19200\n"), std::string::npos) << t.r.out;
  EXPECT_EQ(t.r.out.find("Firmware update succeeded"), std::string::npos);
}

}  // namespace
