// "firmware" through the real utility against zentrosim: what crosses the
// line, what the operator sees, and the device afterwards.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "file_text.h"
#include "firmware_texts.h"
#include "run_program.h"
#include "sim_session.h"

namespace {

const std::string EXAMPLE =
    (std::filesystem::path(ZENTROHOST_PATH).parent_path() / "examples/zentrovane-fw.hex").string();

const std::string CONFIRM =
    "Command> \a\aWARNING! This will alter the Zentrovane firmware!\n"
    "Do you want to continue (n or y)? [n]: ";
const std::string SUCCEEDED =
    "\a\aFirmware update succeeded!\n\n"
    "Don't forget to Configure Operating Parameters, Process Rules\n"
    "and Download these to the Zentrovane!\n";
const std::string FAILED = "Error: Firmware update failed!\n\tTry again!\n";

std::string session_text(const program_result& r) {
  const std::string start = startup_text();
  if (r.out.compare(0, start.size(), start) != 0) return "(no start-up text) " + r.out;
  return r.out.substr(start.size());
}

// The record lines of a file as the device should see them: each with a CR
// in place of its line end (objcopy ends its lines with CR LF).
std::string record_stream(const std::string& text) {
  std::string out;
  for (const std::string& line : record_lines(text)) out += line + "\r";
  return out;
}

// Before the records: the interrupt, the reset, the sync and the identifier.
const std::string LOADER_START = std::string("\x03\n") + "reset\n" + "\x16" + "ZeTrVa1.0";

}  // namespace

TEST(FirmwareE2e, ExampleFileUpdatesAndTheDeviceAnswersAfterwards) {
  temp_dir dir;
  const std::string saved = dir.path() + "/lines.txt";
  sim_session sim({"--fw-save", saved});
  ASSERT_TRUE(sim.ok());
  // Comment lines of the operator's own are skipped but counted.
  const std::string file = dir.write("fw.hex", "# example build\n" + slurp(EXAMPLE));
  const program_result r =
      sim.run_host("firmware 1 " + file + "\ny\n\nconnect 1\ndisconnect\nexit\n");
  EXPECT_EQ(r.status, 0);
  const std::string text = session_text(r);
  const std::string head = CONFIRM + WARNING + "\a\nConnected at 19200\n\n\n";
  EXPECT_EQ(text.substr(0, head.size()), head);
  const std::string end = "100.0%" + std::string(59, '=') + "\nDisconnected\n" + SUCCEEDED +
                          "Command> Connecting at 19200...\n\aConnected at 19200\n"
                          "Command> Disconnected\nCommand> ";
  EXPECT_EQ(tail_of(text, end.size()), end);
  const std::string records = record_stream(slurp(EXAMPLE));
  EXPECT_EQ(sim.received(), LOADER_START + records + "\x03\nversion\n");
  // The loader kept every line it took, in order.
  std::string kept = slurp(saved);
  for (char& c : kept)
    if (c == '\n') c = '\r';
  EXPECT_EQ(kept, records);
}

TEST(FirmwareE2e, FaultRepliesThroughTheShell) {
  const struct {
    std::vector<std::string> sim_args;
    std::string message;
    bool succeeds;
    std::string records;  // what the device got after the identifier
  } cases[] = {
      {{"--fw-replies", "2:12"},
       "\n\a\aError: Firmware updating error: bad record checksum on Line 2, resending.\n",
       true,
       ":0400000001020304F2\r:00000001FF\r:00000001FF\r"},
      {{"--fw-replies", "1:18"},
       "\n\a\aError: Firmware updating error: fatal on Line 1- aborting!\n",
       false,
       ":0400000001020304F2\r"},
  };
  temp_dir dir;
  const std::string file = dir.write("fw.hex", ":0400000001020304F2\n:00000001FF\n");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.message);
    sim_session sim(c.sim_args);
    ASSERT_TRUE(sim.ok());
    const program_result r = sim.run_host("firmware 1 " + file + "\ny\n\n");
    const std::string text = session_text(r);
    EXPECT_NE(text.find(c.message), std::string::npos) << text;
    const std::string end = "Disconnected\n" + (c.succeeds ? SUCCEEDED : FAILED) + "Command> \n";
    EXPECT_EQ(tail_of(text, end.size()), end);
    EXPECT_EQ(sim.received(), LOADER_START + c.records);
  }
}

TEST(FirmwareE2e, UnacknowledgedIdentifierIsDumped) {
  sim_session sim({"--fw-no-ident-ack"});
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host("firmware 1 " + EXAMPLE + "\ny\n\n");
  std::string zeros;
  for (int i = 0; i < 20; ++i) zeros += "[00] ";
  const std::string end =
      "\a\nConnected at 19200\n"
      "\n\a\aError: did not receive ZeTrVa identifier acknowledgement!\n"
      "\nRead #1 got 0 chars\nRead #2 got 0 chars:\n" +
      zeros + "\nDisconnected\n" + FAILED + "Command> \n";
  EXPECT_EQ(tail_of(session_text(r), end.size()), end);
  EXPECT_EQ(sim.received(), LOADER_START);
}

TEST(FirmwareE2e, BadFileNeverTouchesTheLine) {
  sim_session sim;
  ASSERT_TRUE(sim.ok());
  temp_dir dir;
  const std::string file = dir.write("fw.hex", "; v3\n:0400020001020304F0\n");
  const program_result r = sim.run_host("firmware 1 " + file + "\ny\n");
  EXPECT_EQ(session_text(r),
            CONFIRM +
                "\a\aError: data record offset boundary error for line 2 in Firmware file!\n"
                "\a\aError: Firmware file has some kind of error!\n" +
                FAILED + "Command> \n");
  EXPECT_EQ(sim.received(), "");
}

TEST(FirmwareE2e, RecordsOf128BytesGoOutWhole) {
  temp_dir dir;
  const std::string image = noise_image(2000, 11);
  const std::string bin = dir.write("image.bin", image);
  const std::string hex = dir.path() + "/image.hex";
  ASSERT_EQ(std::system(("srec_cat " + bin + " -Binary -o " + hex +
                         " -Intel -Output_Block_Size 128 >/dev/null 2>&1")
                            .c_str()),
            0);
  const std::string records = record_stream(slurp(hex));
  ASSERT_NE(records.find(":80"), std::string::npos);  // 267-character lines are there
  sim_session sim;
  ASSERT_TRUE(sim.ok());
  const program_result r = sim.run_host("firmware 1 " + hex + "\ny\n\n");
  EXPECT_EQ(tail_of(session_text(r), SUCCEEDED.size() + 10), SUCCEEDED + "Command> \n");
  EXPECT_EQ(sim.received(), LOADER_START + records);
}
