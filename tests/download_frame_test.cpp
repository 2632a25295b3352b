// The CRC-16 and the packet and header bytes of the download.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conf_rec.h"
#include "crc16.h"
#include "download.h"
#include "download_packets.h"
#include "stdout_capture.h"

namespace {

bytes of_text(const char* s) { return bytes(s, s + std::strlen(s)); }

bytes header(const char* name, const char* size_text) {
  bytes p(DWN_HEADER_LEN, 0xEE);
  dwn_build_header(p.data(), name, size_text);
  return p;
}

}  // namespace

TEST(Crc16, TableFollowsTheGenerator) {
  // Entry i is i * x^16 mod g: entries are linear in i, and doubling i
  // multiplies the remainder by x.
  for (unsigned i = 0; i < 256; ++i) {
    for (unsigned j = 0; j < 256; ++j)
      ASSERT_EQ(crc_table[i ^ j], crc_table[i] ^ crc_table[j]) << i << " " << j;
  }
  for (unsigned i = 1; i < 128; ++i) {
    const unsigned times_x = (crc_table[i] << 1) ^ (crc_table[i] & 0x8000 ? 0x11021 : 0);
    EXPECT_EQ(crc_table[2 * i], times_x) << i;
  }
  EXPECT_EQ(crc_table[0xFF], 0x1EF0);
}

TEST(Crc16, CatalogueValues) {
  // The packet CRC is CRC-16/SPI-FUJITSU (direct init 0x1D0F) of the bytes.
  const bytes check = of_text("123456789");
  EXPECT_EQ(dwn_packet_crc(check.data(), check.size()), 0xE5CC);
  const std::uint8_t zeros[2] = {0, 0};
  EXPECT_EQ(crc16(CRC_INIT, zeros, 2), 0x1D0F);
  EXPECT_EQ(crc16(0, check.data(), 0), 0);
  EXPECT_EQ(crc16(0x1234, check.data(), 0), 0x1234);
  // The augmented form with init 0 is the plain remainder: a message that
  // is a multiple of the generator leaves 0.
  const std::uint8_t generator_multiple[3] = {0x01, 0x10, 0x21};
  EXPECT_EQ(crc16(0, generator_multiple, 3), 0);
}

TEST(Crc16, PacketCrcEqualsTheDirectForm) {
  // The catalogued direct form: bit by bit, register starting at 0x1D0F.
  const auto direct = [](const std::uint8_t* p, std::size_t n) {
    std::uint16_t reg = 0x1D0F;
    for (std::size_t i = 0; i < n; ++i) {
      reg ^= static_cast<std::uint16_t>(p[i] << 8);
      for (int bit = 0; bit < 8; ++bit)
        reg = static_cast<std::uint16_t>(reg & 0x8000 ? (reg << 1) ^ CRC_POLY : reg << 1);
    }
    return reg;
  };
  unsigned x = 12345;
  for (std::size_t n = 0; n <= 70; ++n) {
    bytes msg(n);
    for (auto& b : msg) b = static_cast<std::uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    EXPECT_EQ(dwn_packet_crc(msg.data(), n), direct(msg.data(), n)) << n;
  }
}

TEST(Crc16, FinishedPacketsCheckToZero) {
  const bytes payloads[] = {
      {0x41}, of_text("abc"), bytes(60, 0xFF), bytes(60, 0x00), of_text("123456789")};
  for (const auto& payload : payloads) {
    const bytes p = framed(payload);
    EXPECT_EQ(crc16(CRC_INIT, p.data(), p.size()), 0) << payload.size();
    bytes corrupt = p;
    corrupt[2] ^= 0x01;
    EXPECT_NE(crc16(CRC_INIT, corrupt.data(), corrupt.size()), 0) << payload.size();
  }
}

TEST(DownloadPacket, KnownPackets) {
  EXPECT_EQ(framed({0x41}), (bytes{0x00, 0x05, 0x41, 0xB6, 0x1C}));
  EXPECT_EQ(framed(of_text("abc")), (bytes{0x00, 0x07, 0x61, 0x62, 0x63, 0x3D, 0x35}));
  // The length field is big-endian even above 255.
  const bytes big = framed(bytes(300, 0x5A));
  EXPECT_EQ(big[0], 0x01);
  EXPECT_EQ(big[1], 0x30);
  EXPECT_EQ(crc16(CRC_INIT, big.data(), big.size()), 0);
}

TEST(DownloadPacket, FramingIgnoresWhateverWasInTheCrcBytes) {
  bytes p = {0xAA, 0xBB, 0x41, 0xCC, 0xDD};
  dwn_frame(p.data(), 5);
  EXPECT_EQ(p, (bytes{0x00, 0x05, 0x41, 0xB6, 0x1C}));
}

TEST(DownloadPacket, Headers) {
  EXPECT_EQ(header("conf", "904"),
            (bytes{0x00, 0x15, 0x63, 0x6F, 0x6E, 0x66, 0x00, 0x00, 0x00, 0x00, 0x00,
                   0x00, 0x00, 0x00, 0x39, 0x30, 0x34, 0x00, 0x00, 0x69, 0x8C}));
  EXPECT_EQ(header("rules", "0"),
            (bytes{0x00, 0x15, 0x72, 0x75, 0x6C, 0x65, 0x73, 0x00, 0x00, 0x00, 0x00,
                   0x00, 0x00, 0x00, 0x30, 0x00, 0x00, 0x00, 0x00, 0xE6, 0xAA}));
  EXPECT_EQ(header("-cestfini-", ""),
            (bytes{0x00, 0x15, 0x2D, 0x63, 0x65, 0x73, 0x74, 0x66, 0x69, 0x6E, 0x69,
                   0x2D, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x5D, 0xCF}));
}

TEST(DownloadPacket, HeaderFieldsNeverOverflow) {
  // A name or size text longer than its field is cut at the field's end and
  // the neighbouring field keeps its own bytes.
  const bytes p = header("abcdefghijklmnop", "1234567");
  EXPECT_EQ(std::string(p.begin() + 2, p.begin() + 14), "abcdefghijkl");
  EXPECT_EQ(std::string(p.begin() + 14, p.begin() + 19), "12345");
  EXPECT_EQ(crc16(CRC_INIT, p.data(), p.size()), 0);
}

TEST(DownloadPacket, ArgumentChecksPrintAndFail) {
  std::uint8_t buf[8] = {};
  int r = 0;
  EXPECT_EQ(captured([&] { r = dwn_write_pkt(nullptr, 5); }),
            "dwn_write_pkt: argument ptr pp is null\n");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(captured([&] { r = dwn_write_pkt(buf, 4); }), "dwn_write_pkt: argument len < 5\n");
  EXPECT_EQ(r, -2);
  EXPECT_EQ(captured([&] { r = dwn_write_file(nullptr, 10); }),
            "dwn_write_file: argument ptr bp is null\n");
  EXPECT_EQ(r, -1);
  EXPECT_EQ(captured([&] { r = dwn_write_file(buf, 0); }), "dwn_write_file: argument len < 1\n");
  EXPECT_EQ(r, -2);
}

TEST(DownloadSequence, RuleCountAboveTheTableSendsNothing) {
  // Checked before any port access: this test has no port at all.
  conf_load_defaults();
  conf_rec.rule_count = 31;
  int r = 0;
  EXPECT_EQ(captured([&] { r = dwn_download(); }),
            "\a\aError: rule count 31 is above the table's 30 rules\n");
  EXPECT_EQ(r, -3);
  conf_load_defaults();
}
