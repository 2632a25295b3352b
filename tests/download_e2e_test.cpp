// "download" through the real utility against the simulated device: the
// confirmations, the device's refusals and silence, and the whole road from
// the example files to what the device holds.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "conf_rec.h"
#include "download.h"
#include "path_edit.h"
#include "rule_rec.h"
#include "run_program.h"
#include "sim_session.h"
#include "stdout_capture.h"

namespace {

const std::string connected = "Connecting at 19200...\n\aConnected at 19200\n";
const std::string conf_question =
    "\a\aWarning: Configuration file has not yet been processed!\n"
    "Do you want to use the Default Configuration? (yes|no) [no]: ";
const std::string rules_question =
    "\n\a\aWarning: Rules file has not yet been processed!\n"
    "Do you  want to use the Implicit Rule only without specific rules?\n"
    "(yes|no) [no]: ";
const std::string succeeded =
    "Downloading Configuration succeeded\nDownloading Rules succeeded\nDisconnected\n";

std::string session_text(const program_result& r) {
  const std::string start = startup_text();
  if (r.out.compare(0, start.size(), start) != 0) return "(no start-up text) " + r.out;
  return r.out.substr(start.size());
}

// The bytes the device received after the download command.
std::string after_command(const sim_session& sim) {
  const std::string all = sim.received();
  const std::size_t at = all.find("download\n");
  return at == std::string::npos ? "" : all.substr(at + 9);
}

std::string conf_header() {
  std::uint8_t h[DWN_HEADER_LEN];
  dwn_build_header(h, "conf", "904");
  return std::string(reinterpret_cast<char*>(h), sizeof h);
}

// Cuts the bytes into packets by their length fields.
std::vector<std::string> packets(const std::string& bytes) {
  std::vector<std::string> out;
  for (std::size_t at = 0; at + 2 <= bytes.size();) {
    const std::size_t len =
        static_cast<unsigned char>(bytes[at]) << 8 | static_cast<unsigned char>(bytes[at + 1]);
    if (len < 5) break;
    out.push_back(bytes.substr(at, len));
    at += len;
  }
  return out;
}

std::string file_text(const std::string& path) {
  // The simulator writes its files once it has acknowledged the finish
  // packet; give it a moment beyond the utility's exit.
  for (int i = 0; i < 100 && access(path.c_str(), F_OK) != 0; ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

}  // namespace

TEST(download_e2e_test, the_confirmations_decide_and_no_keeps_the_connection) {
  const struct {
    const char* replies;
    std::string shown;  // after the download command's prompt
    bool sent;
  } cases[] = {
      {"no\n", conf_question + "\a\aDownload Aborted!\n", false},
      {"\n", conf_question + "\a\aDownload Aborted!\n", false},
      {"yes\nnope\n", conf_question + rules_question + "\a\aDownload Aborted!\n", false},
      {"Yup\ny\n", conf_question + rules_question + succeeded, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.replies);
    sim_session sim;
    ASSERT_TRUE(sim.ok());
    const auto r = sim.run_host(std::string("connect 1\ndownload\n") + c.replies + "disconnect\n");
    const std::string after = c.sent ? "\a\aError: not Connected!\n" : "Disconnected\n";
    EXPECT_EQ(session_text(r), "Command> " + connected + "Command> " + c.shown + "Command> " +
                                   after + "Command> \n");
    EXPECT_EQ(sim.received().find("download\n") != std::string::npos, c.sent);
  }
}

TEST(download_e2e_test, end_of_input_at_a_question_aborts) {
  sim_session sim;
  ASSERT_TRUE(sim.ok());
  const auto r = sim.run_host("connect 1\ndownload\nyes\n");
  EXPECT_EQ(session_text(r), "Command> " + connected + "Command> " + conf_question +
                                 rules_question + "\n\a\aDownload Aborted!\nCommand> \n");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(sim.received().find("download\n"), std::string::npos);
}

TEST(download_e2e_test, the_device_refusing_or_answering_wrongly) {
  const struct {
    std::vector<std::string> sim_args;
    std::string lines;
  } cases[] = {
      {{"--nak-packet", "1"},
       "\a\aError: writing Configuration command failed: -6\n"
       "\a\aError: Download failed: -1\n"},
      {{"--wrong-answer-at", "1"},
       "\a\aError: reading ack or nak: got 0x41\n"
       "\a\aError: writing Configuration command failed: -5\n"
       "\a\aError: Download failed: -1\n"},
      {{"--wrong-answer-at", "18", "--wrong-answer", "0xff"},
       "Downloading Configuration succeeded\n"
       "\a\aError: reading ack or nak: got 0xff\n"
       "\a\aError: writing Rules command failed: -5\n"
       "\a\aError: Download failed: -3\n"},
      {{"--nak-packet", "3", "--naks", "1"},
       "Downloading Configuration succeeded\n"
       "Downloading Rules succeeded\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.sim_args[0] + " " + c.sim_args[1]);
    sim_session sim(c.sim_args);
    ASSERT_TRUE(sim.ok());
    const auto r = sim.run_host("connect 1\ndownload\ny\ny\ndisconnect\n");
    EXPECT_EQ(session_text(r), "Command> " + connected + "Command> " + conf_question +
                                   rules_question + c.lines + "Disconnected\nCommand> " +
                                   "\a\aError: not Connected!\nCommand> \n");
  }
}

TEST(download_e2e_test, five_naks_bring_exactly_five_copies) {
  sim_session sim({"--nak-packet", "1"});
  ASSERT_TRUE(sim.ok());
  sim.run_host("connect 1\ndownload\ny\ny\n");
  const std::string h = conf_header();
  EXPECT_EQ(after_command(sim), h + h + h + h + h);
}

TEST(download_e2e_test, a_nak_brings_the_same_packet_again_at_once) {
  sim_session sim({"--nak-packet", "3", "--naks", "1"});
  ASSERT_TRUE(sim.ok());
  sim.run_host("connect 1\ndownload\ny\ny\n");
  const auto p = packets(after_command(sim));
  // conf header, 16 data packets with the third packet twice, rules header,
  // finish
  ASSERT_EQ(p.size(), 20u);
  EXPECT_EQ(p[2], p[3]);
  EXPECT_NE(p[1], p[2]);
}

TEST(download_e2e_test, a_silent_device_is_given_five_seconds) {
  // Silent from the first data packet on; the device then takes the next
  // connection's interrupt and answers it.
  sim_session sim({"--silent-at", "2"});
  ASSERT_TRUE(sim.ok());
  const auto r = sim.run_host("connect 1\ndownload\ny\ny\nconnect 1\n");
  EXPECT_EQ(session_text(r), "Command> " + connected + "Command> " + conf_question +
                                 rules_question +
                                 "\a\aError: reading ack or nak: 0\n"
                                 "\a\aError: writing data pkt: -4\n"
                                 "\a\aError: writing Configuration file failed: -3\n"
                                 "\a\aError: Download failed: -2\n"
                                 "Disconnected\nCommand> " +
                                 connected + "Command> \n");
  // The utility waited for the answer from the packet's last byte until it
  // gave up, closed and interrupted the device for the next connection.
  const std::string sent = after_command(sim);
  ASSERT_GE(sent.size(), 21u + 64u + 1u);
  EXPECT_EQ(packets(sent.substr(0, 21 + 64)).size(), 2u);
  EXPECT_EQ(sent[21 + 64], '\x03');
  const auto wire = sim.wire();
  std::vector<wire_byte> in;
  for (const auto& b : wire)
    if (b.kind == 'R') in.push_back(b);
  const std::size_t command_at = sim.received().find("download\n") + 9;
  const auto& last_of_packet = in.at(command_at + 21 + 64 - 1);
  const auto& interrupt = in.at(command_at + 21 + 64);
  const double waited = static_cast<double>(interrupt.t_us - last_of_packet.t_us) / 1e6;
  EXPECT_GE(waited, 5.0);
  EXPECT_LT(waited, 6.0);  // 5010 ms, then the next connect's 110 ms drain window
}

TEST(download_e2e_test, the_whole_road_leaves_the_device_holding_the_records) {
  temp_dir dir;
  sim_session sim({"--download-save", dir.path() + "/device"});
  ASSERT_TRUE(sim.ok());
  const std::string cfg = EXAMPLES_DIR "/station.cfg", rul = EXAMPLES_DIR "/filter.rul";
  const auto r = sim.run_host("configure " + cfg + "\nrules " + rul +
                              "\nconnect 1 19200\ndownload\ndisconnect\n");
  const std::string out = session_text(r);
  EXPECT_NE(out.find("Command> " + connected + "Command> " + succeeded +
                     "Command> \a\aError: not Connected!\n"),
            std::string::npos)
      << out;

  // The same files read here give the records the utility sent.
  captured([&] {
    ASSERT_EQ(conf_process(cfg.c_str()), 0);
    ASSERT_EQ(rules_process(rul.c_str()), 0);
  });
  std::uint8_t wire[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, wire);
  EXPECT_EQ(file_text(dir.path() + "/device.conf"),
            std::string(reinterpret_cast<char*>(wire), CONF_REC_SIZE));
  std::string rules;
  for (int i = 0; i < conf_rec.rule_count; ++i) {
    std::uint8_t w[RULE_REC_SIZE];
    rule_rec_to_wire(rule_table[i], w);
    rules.append(reinterpret_cast<char*>(w), RULE_REC_SIZE);
  }
  EXPECT_EQ(conf_rec.rule_count, 11);
  EXPECT_EQ(file_text(dir.path() + "/device.rules"), rules);
  EXPECT_EQ(file_text(dir.path() + "/device.txt"), captured([] {
              conf_display();
              path_edit_display();
              rules_display();
            }));
}
