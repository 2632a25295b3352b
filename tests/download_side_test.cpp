// The simulated device's download side: its own checks on packets, the
// faults it can plant, and what it keeps, driven by the utility's download.
#include "download_side.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "conf_rec.h"
#include "crc16.h"
#include "direct_download.h"
#include "download.h"
#include "download_packets.h"
#include "rule_rec.h"
#include "stdout_capture.h"

namespace {

// The utility's download talks straight to a download_side.
using direct_download::device;
using direct_download::from_device;
using direct_download::pending_answers;
using direct_download::to_device;

class DownloadSide : public testing::Test {
 protected:
  void SetUp() override {
    dwn_use_port(to_device, from_device);
    pending_answers.clear();
    conf_load_defaults();
    std::memset(rule_table, 0, sizeof rule_table);
  }
  void TearDown() override {
    dwn_use_port(nullptr, nullptr);
    device = nullptr;
    conf_load_defaults();
  }
};

std::string feed(download_side& side, const bytes& b) {
  std::string answers;
  side.feed(b.data(), b.size(), answers);
  return answers;
}

bytes packet(const bytes& payload) { return framed(payload); }

bytes header(const char* name, const char* size) {
  bytes p(DWN_HEADER_LEN);
  dwn_build_header(p.data(), name, size);
  return p;
}

}  // namespace

TEST_F(DownloadSide, KeepsWhatTheUtilitySends) {
  download_side side;
  device = &side;
  conf_rec.altitude = -12;
  std::strcpy(conf_rec.beacon_comment, "a comment");
  conf_rec.rule_count = 2;
  rule_table[0].kind = 53;
  rule_table[0].line_no = 7;
  rule_table[1].kind = 59;
  rule_table[1].arg[3][5] = 0xEE;
  rule_table[1].line_no = -300;
  EXPECT_EQ(captured([] { EXPECT_EQ(dwn_download(), 0); }),
            "Downloading Configuration succeeded\nDownloading Rules succeeded\n");
  EXPECT_TRUE(side.done());
  EXPECT_TRUE(side.refusals().empty());
  std::uint8_t wire[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, wire);
  EXPECT_EQ(side.conf_bytes(), bytes(wire, wire + CONF_REC_SIZE));
  ASSERT_EQ(side.rules_bytes().size(), 2 * RULE_REC_SIZE);
  for (int i = 0; i < 2; ++i) {
    std::uint8_t r[RULE_REC_SIZE];
    rule_rec_to_wire(rule_table[i], r);
    EXPECT_EQ(bytes(side.rules_bytes().begin() + i * RULE_REC_SIZE,
                    side.rules_bytes().begin() + (i + 1) * RULE_REC_SIZE),
              bytes(r, r + RULE_REC_SIZE));
  }
  // Decoding gives the records back.
  const conf_record back = decode_conf(side.conf_bytes().data());
  EXPECT_EQ(std::memcmp(&back, &conf_rec, sizeof back), 0);
  const rule_record rule = decode_rule(side.rules_bytes().data() + RULE_REC_SIZE);
  EXPECT_EQ(rule.line_no, -300);
  EXPECT_EQ(rule.arg[3][5], 0xEE);
}

TEST_F(DownloadSide, PlantedFaults) {
  const struct {
    std::map<int, dl_fault> faults;
    int result;
    const char* output_end;
  } cases[] = {
      {{{1, {.naks = 5}}}, -1, "writing Configuration command failed: -6\n"},
      {{{1, {.naks = 4}}, {3, {.naks = 2}}}, 0, "Downloading Rules succeeded\n"},
      {{{18, {.answer = 0x41}}}, -3, "writing Rules command failed: -5\n"},
      {{{19, {.silent = true}}}, -5, "error writing finish pkt: -4\n"},
      {{{2, {.naks = 1, .silent = true}}}, -2, "writing Configuration file failed: -3\n"},
  };
  for (const auto& c : cases) {
    download_side side(dl_sim_options{c.faults});
    device = &side;
    pending_answers.clear();
    int r = 1;
    const std::string out = captured([&] { r = dwn_download(); });
    EXPECT_EQ(r, c.result) << out;
    EXPECT_TRUE(out.ends_with(c.output_end)) << out;
  }
}

TEST_F(DownloadSide, RefusesDamagedAndMisplacedPackets) {
  download_side side;
  bytes conf_hdr = header("conf", "904");
  bytes damaged = conf_hdr;
  damaged[5] ^= 0x20;
  EXPECT_EQ(feed(side, damaged), "\x15");
  EXPECT_EQ(feed(side, packet({1, 2, 3})), "\x15");  // data before any header
  EXPECT_EQ(feed(side, header("conf", "903")), "\x15");
  EXPECT_EQ(feed(side, header("bogus", "0")), "\x15");
  EXPECT_EQ(side.refusals().size(), 4u);
  EXPECT_EQ(side.refusals()[0], "bad crc");
  // A packet split across writes is put together again.
  std::string answers;
  side.feed(conf_hdr.data(), 7, answers);
  EXPECT_EQ(answers, "");
  side.feed(conf_hdr.data() + 7, conf_hdr.size() - 7, answers);
  EXPECT_EQ(answers, "\x06");
  EXPECT_EQ(feed(side, packet(bytes(60, 0))), "\x06");
  for (int i = 0; i < 14; ++i) feed(side, packet(bytes(60, 0)));
  EXPECT_EQ(feed(side, packet(bytes(5, 0))), "\x15");  // one byte too many
  EXPECT_EQ(feed(side, packet(bytes(4, 0))), "\x06");
  EXPECT_TRUE(side.have_conf());
  EXPECT_EQ(feed(side, header("rules", "0")), "\x06");
  EXPECT_TRUE(side.have_rules());
  EXPECT_EQ(feed(side, header("-cestfini-", "")), "\x06");
  EXPECT_TRUE(side.done());
  EXPECT_EQ(feed(side, header("conf", "904")), "\x15");
  // An impossible length is refused at once rather than waited for.
  download_side fresh;
  EXPECT_EQ(feed(fresh, {0x00, 0x02}), "\x15");
}
