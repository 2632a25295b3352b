// The download's exchanges with a scripted device: retries, failures at each
// step, and the bytes of a whole download.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conf_rec.h"
#include "crc16.h"
#include "download.h"
#include "link.h"
#include "rule_rec.h"
#include "stdout_capture.h"

namespace {

using bytes = std::vector<std::uint8_t>;

constexpr int SILENT = -1;  // the device lets the answer read time out
constexpr int WRITE_FAILS = -2;

// A device that records every write and answers packets from a script:
// script[i] is the answer to the i-th packet transmission (ACK when the
// script is shorter). Answers are only given to reads of one byte; the drain
// read gets the echo.
struct scripted_device {
  std::vector<bytes> writes;
  std::vector<int> script;
  std::size_t answered = 0;
  bytes echo;
  std::vector<std::pair<int, int>> reads;  // size, time-out
  bool command_write_fails = false;
};
scripted_device dev;

int fake_write(const void* buf, int len) {
  const auto* p = static_cast<const std::uint8_t*>(buf);
  if (dev.writes.empty() && dev.command_write_fails) return -3;
  // A packet write fails when the answer scripted for it says so.
  if (!dev.writes.empty() && dev.answered < dev.script.size() &&
      dev.script[dev.answered] == WRITE_FAILS)
    return -3;
  dev.writes.emplace_back(p, p + len);
  return len;
}

int fake_read(void* buf, int size, int timeout_ms) {
  dev.reads.emplace_back(size, timeout_ms);
  auto* out = static_cast<std::uint8_t*>(buf);
  if (size != 1) {
    const int n = std::min<int>(size, static_cast<int>(dev.echo.size()));
    if (n > 0) std::memcpy(out, dev.echo.data(), static_cast<std::size_t>(n));
    dev.echo.clear();
    return n;
  }
  const int answer = dev.answered < dev.script.size() ? dev.script[dev.answered] : DWN_ACK;
  ++dev.answered;
  if (answer == SILENT) return 0;
  out[0] = static_cast<std::uint8_t>(answer);
  return 1;
}

class DownloadExchange : public testing::Test {
 protected:
  void SetUp() override {
    dev = scripted_device{};
    dwn_use_port(fake_write, fake_read);
    conf_load_defaults();
    std::memset(rule_table, 0, sizeof rule_table);
    connected = 1;
  }
  void TearDown() override {
    dwn_use_port(nullptr, nullptr);
    conf_load_defaults();
    connected = 0;
  }

  static std::vector<int> packet_sizes(std::size_t from = 0) {
    std::vector<int> sizes;
    for (std::size_t i = from; i < dev.writes.size(); ++i)
      sizes.push_back(static_cast<int>(dev.writes[i].size()));
    return sizes;
  }

  // The payloads of the data packets writes[from, to), joined.
  static bytes payload_of(std::size_t from, std::size_t to) {
    bytes all;
    for (std::size_t i = from; i < to; ++i)
      all.insert(all.end(), dev.writes[i].begin() + 2, dev.writes[i].end() - 2);
    return all;
  }
};

std::vector<int> repeat(int value, int times) { return std::vector<int>(times, value); }
std::vector<int> operator+(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

}  // namespace

TEST_F(DownloadExchange, AnswersToOnePacket) {
  const struct {
    const char* what;
    std::vector<int> script;
    int result;
    std::size_t sends;
    const char* output;
  } cases[] = {
      {"ack", {DWN_ACK}, 7, 1, ""},
      {"nak then ack", {DWN_NAK, DWN_ACK}, 7, 2, ""},
      {"four naks then ack", repeat(DWN_NAK, 4) + std::vector<int>{DWN_ACK}, 7, 5, ""},
      {"five naks", repeat(DWN_NAK, 5), -6, 5, ""},
      {"wrong byte", {0x41}, -5, 1, "\a\aError: reading ack or nak: got 0x41\n"},
      {"wrong byte after a nak",
       {DWN_NAK, 0xFF},
       -5,
       2,
       "\a\aError: reading ack or nak: got 0xff\n"},
      {"silence", {SILENT}, -4, 1, "\a\aError: reading ack or nak: 0\n"},
      {"silence after a nak", {DWN_NAK, SILENT}, -4, 2, "\a\aError: reading ack or nak: 0\n"},
      {"write fails", {WRITE_FAILS}, -3, 0, "\a\aError: writing pkt\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    dev = scripted_device{};
    dev.writes.push_back(bytes{});  // stands for the command already sent
    dev.script = c.script;
    std::uint8_t pkt[7] = {0, 0, 'a', 'b', 'c', 0, 0};
    int r = 0;
    EXPECT_EQ(captured([&] { r = dwn_write_pkt(pkt, 7); }), c.output);
    EXPECT_EQ(r, c.result);
    ASSERT_EQ(dev.writes.size(), c.sends + 1);
    for (std::size_t i = 1; i < dev.writes.size(); ++i)
      EXPECT_EQ(dev.writes[i], (bytes{0x00, 0x07, 0x61, 0x62, 0x63, 0x3D, 0x35}));
    for (auto [size, timeout] : dev.reads) {
      EXPECT_EQ(size, 1);
      EXPECT_EQ(timeout, 5000);
    }
  }
}

TEST_F(DownloadExchange, FileGoesInSixtyBytePackets) {
  const struct {
    int len;
    std::vector<int> sizes;
  } cases[] = {
      {904, repeat(64, 15) + std::vector<int>{8}},
      {840, repeat(64, 14)},
      {28, {32}},
      {60, {64}},
      {61, {64, 5}},
      {1, {5}},
  };
  bytes data(904);
  for (std::size_t i = 0; i < data.size(); ++i) data[i] = static_cast<std::uint8_t>(i * 7 + 3);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.len);
    dev = scripted_device{};
    EXPECT_EQ(dwn_write_file(data.data(), c.len), c.len);
    EXPECT_EQ(packet_sizes(), c.sizes);
    EXPECT_EQ(payload_of(0, dev.writes.size()), bytes(data.begin(), data.begin() + c.len));
    for (const auto& p : dev.writes) EXPECT_EQ(crc16(CRC_INIT, p.data(), p.size()), 0);
  }
}

TEST_F(DownloadExchange, FileStopsAtTheFirstFailedPacket) {
  bytes data(200, 0x33);
  dev.script = {DWN_ACK, DWN_ACK, 0x00};  // third packet gets a bad answer
  int r = 0;
  EXPECT_EQ(captured([&] { r = dwn_write_file(data.data(), 200); }),
            "\a\aError: reading ack or nak: got 0x00\n"
            "\a\aError: writing data pkt: -5\n");
  EXPECT_EQ(r, -3);
  EXPECT_EQ(dev.writes.size(), 3u);
}

TEST_F(DownloadExchange, WholeDownloadWithoutRules) {
  conf_rec.altitude = 1234;
  std::strcpy(conf_rec.station_call, "N0CALL");
  dev.echo = {'d', 'o', 'w', 'n', 'l', 'o', 'a', 'd', '\r', '\n'};
  EXPECT_EQ(captured(download_command),
            "Downloading Configuration succeeded\n"
            "Downloading Rules succeeded\n"
            "Disconnected\n");
  EXPECT_EQ(connected, 0);

  const std::string command(dev.writes[0].begin(), dev.writes[0].end());
  EXPECT_EQ(command, "download\n");
  EXPECT_EQ(packet_sizes(1), (repeat(21, 1) + repeat(64, 15) + std::vector<int>{8, 21, 21}));
  std::uint8_t wire[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, wire);
  EXPECT_EQ(payload_of(2, 18), bytes(wire, wire + CONF_REC_SIZE));
  const std::string rules_header(dev.writes[18].begin() + 2, dev.writes[18].begin() + 19);
  EXPECT_EQ(rules_header, std::string("rules\0\0\0\0\0\0\0"
                                      "0\0\0\0\0",
                                      17));
  const std::string finish(dev.writes[19].begin() + 2, dev.writes[19].begin() + 19);
  EXPECT_EQ(finish, std::string("-cestfini-\0\0\0\0\0\0\0", 17));
  // The drain comes first and is short; every answer waits up to 5 s.
  ASSERT_FALSE(dev.reads.empty());
  EXPECT_EQ(dev.reads[0], (std::pair<int, int>{64, 10}));
  EXPECT_EQ(dev.reads.size(), 1u + 19u);
}

TEST_F(DownloadExchange, RulesFollowTheirHeader) {
  const struct {
    int count;
    const char* size_text;
    std::vector<int> sizes;
  } cases[] = {
      {1, "28", {32}},
      {3, "84", {64, 28}},
      {30, "840", repeat(64, 14)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.count);
    dev = scripted_device{};
    for (int i = 0; i < RULE_MAX; ++i) {
      rule_table[i].kind = static_cast<std::uint8_t>(53 + i % 7);
      rule_table[i].line_no = static_cast<std::int16_t>(i + 1);
      rule_table[i].arg[0][0] = static_cast<std::uint8_t>(i);
    }
    conf_rec.rule_count = static_cast<std::uint16_t>(c.count);
    EXPECT_EQ(captured([] { EXPECT_EQ(dwn_download(), 0); }),
              "Downloading Configuration succeeded\nDownloading Rules succeeded\n");
    // conf header, 16 conf packets, rules header, rules packets, finish
    const std::size_t rules_at = 18;
    ASSERT_EQ(dev.writes.size(), rules_at + c.sizes.size() + 1);
    const auto& hdr = dev.writes[rules_at - 1];
    EXPECT_EQ(std::string(hdr.begin() + 14, hdr.begin() + 19),
              std::string(c.size_text) + std::string(5 - std::strlen(c.size_text), '\0'));
    std::vector<int> sizes;
    for (std::size_t i = rules_at; i < rules_at + c.sizes.size(); ++i)
      sizes.push_back(static_cast<int>(dev.writes[i].size()));
    EXPECT_EQ(sizes, c.sizes);
    bytes expected(static_cast<std::size_t>(c.count) * RULE_REC_SIZE);
    for (int i = 0; i < c.count; ++i) rule_rec_to_wire(rule_table[i], &expected[i * RULE_REC_SIZE]);
    EXPECT_EQ(payload_of(rules_at, rules_at + c.sizes.size()), expected);
    // The configuration sent carries the same count.
    EXPECT_EQ(dev.writes[2][2 + 68 - 60], c.count);  // low byte of rule_count
  }
}

TEST_F(DownloadExchange, EachFailingStepHasItsLines) {
  // Packet numbers count transmissions: 0 is the conf header, 1..16 the
  // configuration data, 17 the rules header, 18 the one rules packet, 19 the
  // finish packet.
  const struct {
    std::vector<int> script;
    const char* output;
  } cases[] = {
      {repeat(DWN_NAK, 5),
       "\a\aError: writing Configuration command failed: -6\n"
       "\a\aError: Download failed: -1\n"},
      {{SILENT},
       "\a\aError: reading ack or nak: 0\n"
       "\a\aError: writing Configuration command failed: -4\n"
       "\a\aError: Download failed: -1\n"},
      {repeat(DWN_ACK, 5) + std::vector<int>{0x07},
       "\a\aError: reading ack or nak: got 0x07\n"
       "\a\aError: writing data pkt: -5\n"
       "\a\aError: writing Configuration file failed: -3\n"
       "\a\aError: Download failed: -2\n"},
      {repeat(DWN_ACK, 17) + repeat(DWN_NAK, 5),
       "Downloading Configuration succeeded\n"
       "\a\aError: writing Rules command failed: -6\n"
       "\a\aError: Download failed: -3\n"},
      {repeat(DWN_ACK, 18) + std::vector<int>{WRITE_FAILS},
       "Downloading Configuration succeeded\n"
       "\a\aError: writing pkt\n"
       "\a\aError: writing data pkt: -3\n"
       "\a\aError: writing Rules file failed: -3\n"
       "\a\aError: Download failed: -4\n"},
      {repeat(DWN_ACK, 19) + std::vector<int>{SILENT},
       "Downloading Configuration succeeded\n"
       "Downloading Rules succeeded\n"
       "\a\aError: reading ack or nak: 0\n"
       "\a\aError: error writing finish pkt: -4\n"
       "\a\aError: Download failed: -5\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.output);
    dev = scripted_device{};
    dev.script = c.script;
    conf_rec.rule_count = 1;
    connected = 1;
    EXPECT_EQ(captured(download_command), std::string(c.output) + "Disconnected\n");
    EXPECT_EQ(connected, 0);
  }
}

TEST_F(DownloadExchange, FailedCommandWriteKeepsTheConnection) {
  dev.command_write_fails = true;
  strcpy(port_name, "COM3");
  EXPECT_EQ(captured(download_command),
            "\a\aError: wrote Download command, got error on port COM3\n");
  EXPECT_EQ(connected, 1);
  EXPECT_TRUE(dev.writes.empty());
  EXPECT_TRUE(dev.reads.empty());
}
