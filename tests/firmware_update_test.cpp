// The firmware update against a loader played on a pseudo-terminal: the
// handshake, the record transfer with its fault replies, the dumps of what
// came instead of an acknowledgement, and the results.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "file_text.h"
#include "firmware.h"
#include "firmware_side.h"
#include "firmware_texts.h"
#include "pty_loader.h"
#include "pty_pair.h"
#include "run_program.h"
#include "serial_platform.h"
#include "serial_port.h"

namespace {

// The loader restarts for half a second after "reset\n": the prompt must
// come after the host has reopened its port.
constexpr int RESTART_MS = 500;

struct update_run {
  int result = 0;
  std::string out;
  std::vector<fw_line> lines;
  std::string before_reset;
};

constexpr int COM = 7;

// A loader that answers record lines as listed ("N:HH,...").
fw_sim_options replies(const std::string& list) {
  fw_sim_options options;
  EXPECT_TRUE(fw_parse_replies(list, options.line_replies)) << list;
  return options;
}

// A loader with one of its texts replaced.
fw_sim_options answering(std::string fw_sim_options::*text, const std::string& bytes) {
  fw_sim_options options;
  options.*text = bytes;
  return options;
}

update_run run_update(const std::string& file_text, const fw_sim_options& options = {}) {
  temp_dir dir;
  const std::string path = dir.write("fw.hex", file_text);
  pty_pair pty;
  setenv("ZENTROVANE_COM7", pty.path().c_str(), 1);
  // The Enter the update waits for: end of input goes on as well.
  EXPECT_NE(std::freopen("/dev/null", "r", stdin), nullptr);
  pty_loader device(pty, options, RESTART_MS);
  update_run run;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  run.result = firmware(COM, path.c_str());
  std::fflush(stdout);
  run.out = testing::internal::GetCapturedStdout();
  device.stop();
  run.lines = device.lines();
  run.before_reset = device.before_reset();
  return run;
}

const std::string CONNECTED = "\a\nConnected at 19200\n";

const std::string SMALL = ":0400000001020304F2\n:0400040005060708DE\n:00000001FF\n";

std::vector<std::string> texts(const std::vector<fw_line>& lines) {
  std::vector<std::string> t;
  for (const auto& l : lines) t.push_back(l.text);
  return t;
}

// The progress line for done of total (the clock is left alone, so only
// the part from the percentage on is compared).
bool has_progress(const std::string& out, unsigned done, unsigned total) {
  char pct[16];
  std::snprintf(pct, sizeof pct, "%4.1f%%", 100.0 * done / total);
  const std::string bar(static_cast<std::size_t>(59.0 * done / total), '=');
  return out.find(std::string(pct) + (done == total ? "" : " ") + bar) != std::string::npos;
}

}  // namespace

TEST(FirmwareUpdate, CompleteUpdateSendsEveryRecordLineAndOnlyThose) {
  const std::string file = "# build 17\n" + SMALL + "\n; end\n";
  const update_run run = run_update(file);
  EXPECT_EQ(run.result, 0);
  // The interrupt characters and the reset command, after the drain.
  EXPECT_EQ(run.before_reset, std::string("\x03\nreset\n"));
  EXPECT_EQ(texts(run.lines), record_lines(file));
  const std::string head = WARNING + CONNECTED + "\n\n";
  ASSERT_EQ(run.out.substr(0, head.size()), head);
  EXPECT_TRUE(has_progress(run.out, 1, 3));
  const std::string end = "100.0%" + std::string(59, '=') + "\nDisconnected\n";
  EXPECT_EQ(tail_of(run.out, end.size()), end);
}

TEST(FirmwareUpdate, LongRecordsGoOutWholeWithTheirCr) {
  // srec_cat writes 128-byte records: lines of 267 characters, beyond what a
  // 256-byte line buffer could hold with its CR.
  temp_dir dir;
  const std::string image = noise_image(1000, 7);
  const std::string bin = dir.write("image.bin", image);
  const std::string hex = dir.path() + "/image.hex";
  ASSERT_EQ(std::system(("srec_cat " + bin + " -Binary -offset 0x1FF80 -o " + hex +
                         " -Intel -Output_Block_Size 128")
                            .c_str()),
            0);
  const std::string file = slurp(hex);
  std::size_t longest = 0;
  for (const auto& l : record_lines(file)) longest = std::max(longest, l.size());
  ASSERT_EQ(longest, 267u);

  const update_run run = run_update(file);
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(texts(run.lines), record_lines(file));
  for (const auto& l : run.lines) EXPECT_EQ(l.reply, 0x06) << l.text;
}

TEST(FirmwareUpdate, FaultRepliesAreReportedAndTheLineResent) {
  // Line numbers count the comment line: the second record is line 3.
  const std::string file = "# v2\n" + SMALL;
  const struct {
    const char* reply;
    std::string message;
  } cases[] = {
      {"00", "timed out on Line 3, resending.\n"},
      {"11", "didn't get start character on Line 3, resending.\n"},
      {"12", "bad record checksum on Line 3, resending.\n"},
      {"15", "validation on Line 3, resending.\n"},
      {"16", "unknown (0x16) on Line 3, resending.\n"},
      {"a5", "unknown (0xa5) on Line 3, resending.\n"},
  };
  for (const auto& c : cases) {
    const update_run run = run_update(file, replies(std::string("2:") + c.reply));
    EXPECT_EQ(run.result, 0) << c.reply;
    EXPECT_NE(run.out.find("\n\a\aError: Firmware updating error: " + c.message), std::string::npos)
        << c.reply << run.out;
    const std::vector<std::string> want = {":0400000001020304F2", ":0400040005060708DE",
                                           ":0400040005060708DE", ":00000001FF"};
    EXPECT_EQ(texts(run.lines), want) << c.reply;
  }
}

TEST(FirmwareUpdate, AbortingReplies) {
  const struct {
    const char* replies;
    int result;
    std::string message;
    std::size_t lines_sent;
  } cases[] = {
      {"2:17", -14, "Firmware updating error: buffer full on Line 2- aborting!\n", 2},
      {"1:18", -13, "Firmware updating error: fatal on Line 1- aborting!\n", 1},
      // Nine faults over different lines and on one line, then success.
      {"1:15,2:11,3:12,5:15,6:15,7:15,8:15,9:77,10:12", 0, "", 12},
      // The tenth fault ends the transfer whatever its byte.
      {"1:15,2:15,3:15,4:15,5:15,6:15,7:15,8:15,9:15,10:17", -12,
       "maximum Firmware updating errors (10) encountered- aborting!\n", 10},
      {"1:15,2:15,3:15,4:15,5:15,6:15,7:15,8:15,9:15,10:18", -12,
       "maximum Firmware updating errors (10) encountered- aborting!\n", 10},
  };
  for (const auto& c : cases) {
    const update_run run = run_update(SMALL, replies(c.replies));
    EXPECT_EQ(run.result, c.result) << c.replies;
    EXPECT_EQ(run.lines.size(), c.lines_sent) << c.replies;
    const std::string tail =
        c.message.empty() ? "\nDisconnected\n" : "\n\a\aError: " + c.message + "Disconnected\n";
    EXPECT_EQ(tail_of(run.out, tail.size()), tail) << c.replies;
  }
}

TEST(FirmwareUpdate, MissingAcknowledgementsAreDumped) {
  const struct {
    const char* name;
    fw_sim_options options;
    int result;
    std::string tail;
  } cases[] = {
      {"prompt", answering(&fw_sim_options::prompt, "xyz"), -6,
       "\n\a\aError: did not receive the Zentrovane Firmware prompt!\n"
       "\nRead #1 got 1 char\nRead #2 got 2 chars:\n0x78 0x79 0x7a \n"},
      {"sync", answering(&fw_sim_options::sync_reply, "?"), -8,
       "\n\a\aError: did not synchronize with the Zentrovane!\n"
       "\nRead #1 got 1 char\nRead #2 got 0 chars:\n? " +
           [] {
             std::string s;
             for (int i = 0; i < 19; ++i) s += "[00] ";
             return s;
           }() +
           "\n"},
      {"identifier", answering(&fw_sim_options::ident_reply, "\x15ok"), -10,
       CONNECTED +
           "\n\a\aError: did not receive ZeTrVa identifier acknowledgement!\n"
           "\nRead #1 got 1 char\nRead #2 got 2 chars:\n[15] o k [00] [00] [00] [00] [00] [00] "
           "[00] [00] [00] [00] [00] [00] [00] [00] [00] [00] [00] \n"},
  };
  for (const auto& c : cases) {
    const update_run run = run_update(SMALL, c.options);
    EXPECT_EQ(run.result, c.result) << c.name;
    EXPECT_TRUE(run.lines.empty()) << c.name;
    const std::string tail = c.tail + "Disconnected\n";
    EXPECT_EQ(tail_of(run.out, tail.size()), tail) << c.name;
  }
}

TEST(FirmwareUpdate, PromptMayStandAmongOtherBytes) {
  const update_run run = run_update(SMALL, answering(&fw_sim_options::prompt, "xyz\x05"));
  EXPECT_EQ(run.result, 0);
  EXPECT_EQ(run.lines.size(), 3u);
}

TEST(FirmwareUpdate, SilentLoaderTimesOutAfterTwentySeconds) {
  const auto start = std::chrono::steady_clock::now();
  const update_run run = run_update(SMALL, answering(&fw_sim_options::prompt, ""));
  const auto waited = std::chrono::steady_clock::now() - start;
  EXPECT_EQ(run.result, -6);
  EXPECT_GE(waited, std::chrono::seconds(20));
  EXPECT_LT(waited, std::chrono::seconds(25));
  const std::string tail =
      "\n\a\aError: did not receive the Zentrovane Firmware prompt!\n"
      "\nRead #1 got 0 chars\nRead #2 got 0 chars:\n\nDisconnected\n";
  EXPECT_EQ(tail_of(run.out, tail.size()), tail);
}

TEST(FirmwareUpdate, FileFaultsNeverOpenThePort) {
  const update_run bad = run_update(":0400000001020304F3\n");
  EXPECT_EQ(bad.result, -4);
  EXPECT_EQ(bad.out,
            "\a\aError: checksum mismatch (0x01) for line 1 in Firmware file!\n"
            "\a\aError: Firmware file has some kind of error!\n");
  EXPECT_EQ(bad.before_reset, "");

  std::fflush(stdout);
  testing::internal::CaptureStdout();
  EXPECT_EQ(firmware(COM, "/nonexistent/fw.hex"), -2);
  // Only a regular file can be read a second time for the transfer.
  temp_dir dir;
  const std::string fifo = dir.path() + "/fifo";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(firmware(COM, fifo.c_str()), -2);
  EXPECT_EQ(firmware(COM, "/dev/zero"), -2);
  EXPECT_EQ(firmware(COM, nullptr), -1);
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\a\aError: cannot open /nonexistent/fw.hex\n"
            "\a\aError: cannot open " +
                fifo +
                "\n"
                "\a\aError: cannot open /dev/zero\n"
                "firmware: Error: param filename is invalid\n");
}

TEST(FirmwareUpdate, PortThatWillNotOpen) {
  temp_dir dir;
  const std::string path = dir.write("fw.hex", SMALL);
  setenv("ZENTROVANE_COM9", (dir.path() + "/no-such-port").c_str(), 1);
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  EXPECT_EQ(firmware(9, path.c_str()), -5);
  std::fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string tail = "\a\aError: could not open COM port COM9\n";
  EXPECT_EQ(tail_of(out, tail.size()), tail);
  EXPECT_EQ(out.find("Disconnected"), std::string::npos);
}

namespace {

// The port's writes, the Nth of which fails.
const serial_ops* real_ops = nullptr;
int writes_seen = 0;
int failing_write = 0;

bool write_failing_at(serial_device* dev, const void* buf, int len, int* sent) {
  if (++writes_seen == failing_write) {
    *sent = 0;
    return false;
  }
  return real_ops->write(dev, buf, len, sent);
}

}  // namespace

TEST(FirmwareUpdate, FailedWritesEndTheUpdate) {
  const struct {
    int write;
    int result;
    std::string message;
  } cases[] = {
      {1, -7, "\n\a\aError: wrote interrupt character, got error on port COM7\n"},
      {2, -7, "\n\a\aError: wrote reset command, got error on port COM7\n"},
      {3, -7, "\n\a\aError: wrote FIRMSYNC sync character, got error on port COM7\n"},
      {4, -9, "\n\a\aError: wrote ZeTrVa1.0 identifier, got error on port COM7\n"},
      {5, -11, "\a\aError: wrote FIRMSYNC attention character, got error on port COM7\n"},
  };
  real_ops = serial_platform;
  serial_ops ops = *serial_platform;
  ops.write = write_failing_at;
  serial_platform = &ops;
  for (const auto& c : cases) {
    writes_seen = 0;
    failing_write = c.write;
    const update_run run = run_update(SMALL);
    EXPECT_EQ(run.result, c.result) << c.write;
    const std::string tail = c.message + "Disconnected\n";
    EXPECT_EQ(tail_of(run.out, tail.size()), tail) << c.write;
    EXPECT_NE(run.out.find("\a\aError: wrote 0 of "), std::string::npos) << c.write;
  }
  serial_platform = real_ops;
}

TEST(FirmwareUpdate, ThroughTheShell) {
  temp_dir dir;
  const std::string path = dir.write("fw.hex", "; example\n" + SMALL);
  pty_pair pty;
  pty_loader device(pty, {}, RESTART_MS);
  run_options options;
  options.env = {{"ZENTROVANE_COM4", pty.path()}};
  const program_result r = run_host("firmware com4 " + path + "\nyes\n\nexit\n", options);
  device.stop();
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(texts(device.lines()), record_lines(SMALL));
  const std::string confirm =
      "Command> \a\aWARNING! This will alter the Zentrovane firmware!\n"
      "Do you want to continue (n or y)? [n]: ";
  EXPECT_EQ(r.out.substr(0, startup_text().size() + confirm.size()), startup_text() + confirm);
  const std::string end = std::string(59, '=') +
                          "\nDisconnected\n"
                          "\a\aFirmware update succeeded!\n\n"
                          "Don't forget to Configure Operating Parameters, Process Rules\n"
                          "and Download these to the Zentrovane!\n"
                          "Command> ";
  EXPECT_EQ(tail_of(r.out, end.size()), end);
}

namespace {

// The port's reads, with the first 20-second read made to end empty only
// once the loader's prompt is waiting: the prompt then comes to the second
// read, which stores from position 1.
const serial_ops* port_ops = nullptr;
unsigned last_read_constant = 0;
bool prompt_read_done = false;

bool note_timeouts(serial_device* dev, const port_timeouts& t) {
  last_read_constant = t.read_constant;
  return port_ops->set_timeouts(dev, t);
}

bool prompt_after_first_read(serial_device* dev, void* buf, int size, int* got) {
  if (!prompt_read_done && size == 1 && last_read_constant == 20000 + 10) {
    prompt_read_done = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(1000));
    *got = 0;
    return true;
  }
  return port_ops->read(dev, buf, size, got);
}

}  // namespace

TEST(FirmwareUpdate, PromptInTheSecondReadIsFound) {
  port_ops = serial_platform;
  serial_ops ops = *serial_platform;
  ops.set_timeouts = note_timeouts;
  ops.read = prompt_after_first_read;
  serial_platform = &ops;
  const update_run run = run_update(SMALL, answering(&fw_sim_options::prompt, "ab\x05"));
  serial_platform = port_ops;
  ASSERT_TRUE(prompt_read_done);
  EXPECT_EQ(run.result, 0) << run.out;
  EXPECT_EQ(texts(run.lines), record_lines(SMALL));

  // A second read that brings no prompt shows just the bytes it brought.
  prompt_read_done = false;
  serial_platform = &ops;
  const update_run no_prompt = run_update(SMALL, answering(&fw_sim_options::prompt, "ab"));
  serial_platform = port_ops;
  const std::string tail =
      "\nRead #1 got 0 chars\nRead #2 got 2 chars:\n0x61 0x62 \nDisconnected\n";
  EXPECT_EQ(no_prompt.result, -6);
  EXPECT_EQ(tail_of(no_prompt.out, tail.size()), tail);
}
