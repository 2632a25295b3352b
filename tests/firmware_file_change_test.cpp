// A firmware file that changes under the update, against a loader played on
// a pseudo-terminal. The device must only ever get records that passed the
// check, and the update may only succeed when it got all of them.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "firmware.h"
#include "firmware_side.h"
#include "pty_loader.h"
#include "pty_pair.h"
#include "run_program.h"

namespace {

// The loader: the hooks run on the device's side, when the interrupt
// characters come (the file has been checked by then) and after each record
// line it has answered. It restarts for a quarter of a second after "reset\n".
using hooks = loader_hooks;
constexpr int RESTART_MS = 250;

// Data records of 16 bytes from address 0, then the end-of-file record:
// enough lines to outlast any stdio buffer.
std::string hex_file(int records) {
  std::string text;
  char line[64];
  for (int r = 0; r < records; ++r) {
    const unsigned address = static_cast<unsigned>(r) * 16;
    unsigned sum = 16 + (address >> 8) + (address & 0xFF);
    int at = std::snprintf(line, sizeof line, ":10%04X00", address);
    for (int i = 0; i < 16; ++i) {
      const unsigned byte = static_cast<unsigned>(r + i) & 0xFF;
      sum += byte;
      at += std::snprintf(line + at, sizeof line - at, "%02X", byte);
    }
    std::snprintf(line + at, sizeof line - at, "%02X\n", (0x100 - (sum & 0xFF)) & 0xFF);
    text += line;
  }
  return text + ":00000001FF\n";
}

std::set<std::string> record_set(const std::string& text) {
  std::set<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);)
    if (!line.empty() && line[0] == ':') lines.insert(line);
  return lines;
}

struct outcome {
  int result;
  std::string out;
  std::vector<fw_line> lines;
  bool reset;
};

outcome update(const std::string& path, hooks h) {
  pty_pair pty;
  setenv("ZENTROVANE_COM9", pty.path().c_str(), 1);
  EXPECT_NE(std::freopen("/dev/null", "r", stdin), nullptr);  // the Enter
  pty_loader device(pty, {}, RESTART_MS, std::move(h));
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const int result = firmware(9, path.c_str());
  std::fflush(stdout);
  outcome o{result, testing::internal::GetCapturedStdout(), {}, false};
  device.stop();
  o.lines = device.side().lines();
  o.reset = device.reset_seen();
  return o;
}

void truncate_to(const std::string& path, off_t size) {
  ASSERT_EQ(truncate(path.c_str(), size), 0);
}

const std::string CHANGED = "\n\a\aError: Firmware file changed after it was checked!\n";
const std::string DISCONNECTED = "Disconnected\n";

bool ends_with(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(FirmwareFileChange, ChangedBeforeTheResetIsRefusedAndTheDeviceLeftAlone) {
  const std::string original = hex_file(4);
  const struct {
    const char* name;
    std::function<void(const std::string& path)> change;
  } changes[] = {
      {"shrinks", [](const std::string& p) { truncate_to(p, 40); }},
      {"grows",
       [](const std::string& p) {
         std::FILE* f = std::fopen(p.c_str(), "a");
         std::fputs(":00000001FF\n", f);
         std::fclose(f);
       }},
      {"same size, one digit other",
       [](const std::string& p) {
         const int fd = open(p.c_str(), O_WRONLY);
         EXPECT_EQ(pwrite(fd, "7", 1, 10), 1);
         close(fd);
       }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    temp_dir dir;
    const std::string path = dir.write("fw.hex", original);
    const outcome o = update(path, {[&] { c.change(path); }, {}});
    EXPECT_EQ(o.result, -15);
    EXPECT_FALSE(o.reset);
    EXPECT_TRUE(o.lines.empty());
    EXPECT_TRUE(ends_with(o.out, "continue..." + CHANGED + DISCONNECTED)) << o.out;
  }
}

TEST(FirmwareFileChange, RemovedAfterTheCheckTheCheckedContentsGoOut) {
  temp_dir dir;
  const std::string original = hex_file(4);
  const std::string path = dir.write("fw.hex", original);
  const outcome o = update(path, {[&] { ASSERT_EQ(unlink(path.c_str()), 0); }, {}});
  EXPECT_EQ(o.result, 0);
  ASSERT_EQ(o.lines.size(), 5u);
  EXPECT_EQ(o.lines.back().text, ":00000001FF");
}

TEST(FirmwareFileChange, ChangedDuringTheTransferEndsTheUpdateAsAFailure) {
  const std::string original = hex_file(400);  // about 18 KB
  const std::set<std::string> checked = record_set(original);
  const struct {
    const char* name;
    std::function<void(const std::string& path)> change;
  } changes[] = {
      {"shrinks to a whole line", [](const std::string& p) { truncate_to(p, 44 * 200); }},
      {"shrinks inside a line", [](const std::string& p) { truncate_to(p, 44 * 200 + 20); }},
      {"overwritten with other text",
       [](const std::string& p) {
         const int fd = open(p.c_str(), O_WRONLY);
         const std::string junk(44 * 100, 'Z');
         EXPECT_EQ(pwrite(fd, junk.data(), junk.size(), 44 * 250),
                   static_cast<ssize_t>(junk.size()));
         close(fd);
       }},
  };
  for (const auto& c : changes) {
    SCOPED_TRACE(c.name);
    temp_dir dir;
    const std::string path = dir.write("fw.hex", original);
    bool changed = false;
    const outcome o = update(path, {{}, [&](std::size_t lines) {
                                      if (lines == 1 && !changed) {
                                        changed = true;
                                        c.change(path);
                                      }
                                    }});
    EXPECT_EQ(o.result, -15);
    EXPECT_TRUE(o.reset);
    EXPECT_LT(o.lines.size(), 401u);
    for (const fw_line& l : o.lines) EXPECT_EQ(checked.count(l.text), 1u) << l.text;
    EXPECT_TRUE(ends_with(o.out, CHANGED + DISCONNECTED)) << o.out.substr(o.out.size() - 200);
  }
}

}  // namespace
