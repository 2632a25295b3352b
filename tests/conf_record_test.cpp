// The configuration record's wire bytes, the baud table and the display.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "conf_rec.h"
#include "stdout_capture.h"

namespace {

std::uint32_t u32_at(const std::uint8_t* b, int off) {
  return b[off] | b[off + 1] << 8 | b[off + 2] << 16 | std::uint32_t{b[off + 3]} << 24;
}
unsigned u16_at(const std::uint8_t* b, int off) { return b[off] | b[off + 1] << 8; }

std::string captured_display() { return captured(conf_display); }

}  // namespace

TEST(ConfRecord, DefaultImageWireBytes) {
  std::uint8_t w[CONF_REC_SIZE];
  conf_rec_to_wire(conf_default, w);
  EXPECT_EQ(u32_at(w, 0), 19200u);
  EXPECT_EQ(u32_at(w, 4), 9600u);
  EXPECT_EQ(u32_at(w, 8), 19200u);
  EXPECT_EQ(u32_at(w, 12), 0u);
  EXPECT_EQ(std::memcmp(w + 24, "NOTSET\0\0", 8), 0);
  const struct {
    int offset;
    unsigned value;
  } words[] = {{32, 0},  {34, 3},   {36, 6},      {38, 0}, {40, 0}, {42, 0},  {44, 0},
               {46, 28}, {48, 600}, {50, 0x2F23}, {52, 1}, {54, 0}, {56, 1},  {58, 1},
               {60, 0},  {62, 0},   {64, 0x70},   {66, 0}, {68, 0}, {188, 0}, {190, 0}};
  for (auto [offset, value] : words) EXPECT_EQ(u16_at(w, offset), value) << "offset " << offset;
  EXPECT_EQ(w[50], '#');  // symbol code in the low byte
  EXPECT_EQ(w[51], '/');  // symbol table in the high byte
  for (int i = 70; i < 904; ++i) ASSERT_EQ(w[i], 0) << "offset " << i;
}

TEST(ConfRecord, FieldsAreLittleEndianAtTheirOffsets) {
  conf_record r = conf_default;
  r.host_baud = 0x11223344;
  r.altitude = -2;
  r.base_lat = 45.5f;     // 0x42360000
  r.base_lon = -122.25f;  // 0xC2F48000
  r.uitrace = 0xFFFF;
  r.rule_count = 0x0102;
  r.implicit_action = IMPLICIT_DROP;
  r.subst_count = 0x0304;
  r.delete_count = 0x0506;
  r.path_edits[15].flags = 0xAB;
  r.subst_paths[7].count = 0xCD;
  std::uint8_t w[CONF_REC_SIZE];
  conf_rec_to_wire(r, w);
  const std::uint8_t host[] = {0x44, 0x33, 0x22, 0x11};
  EXPECT_EQ(std::memcmp(w, host, 4), 0);
  EXPECT_EQ(u32_at(w, 12), 0xFFFFFFFEu);
  const std::uint8_t lat[] = {0x00, 0x00, 0x36, 0x42}, lon[] = {0x00, 0x80, 0xF4, 0xC2};
  EXPECT_EQ(std::memcmp(w + 16, lat, 4), 0);
  EXPECT_EQ(std::memcmp(w + 20, lon, 4), 0);
  EXPECT_EQ(u16_at(w, 40), 0xFFFFu);
  EXPECT_EQ(u16_at(w, 66), 100u);
  EXPECT_EQ(w[68], 0x02);
  EXPECT_EQ(w[69], 0x01);
  EXPECT_EQ(u16_at(w, 188), 0x0304u);
  EXPECT_EQ(u16_at(w, 190), 0x0506u);
  EXPECT_EQ(w[192 + 15 * 12 + 11], 0xAB);  // last path edit's flags
  EXPECT_EQ(w[903], 0xCD);                 // last substitution path's count
}

TEST(ConfRecord, GetBaudFindsTableRatesOnly) {
  for (long rate : {110L, 14400L, 56000L, 57600L, 115200L}) {
    const baud_entry* e = get_baud(rate);
    ASSERT_NE(e, nullptr) << rate;
    EXPECT_EQ(e->baud, static_cast<std::uint32_t>(rate));
  }
  EXPECT_EQ(get_baud(56000)->settable, 0x8000u);
  EXPECT_EQ(get_baud(76800), nullptr);
  EXPECT_EQ(get_baud(-1), nullptr);

  testing::internal::CaptureStdout();
  EXPECT_EQ(get_baud(0), nullptr);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "get_baud: Error: invalid baud: 0\n");
}

TEST(ConfRecord, DisplayOfDefaults) {
  conf_load_defaults();
  EXPECT_EQ(captured_display(),
            "Configuration Version 2.83\n"
            "Station Call\tNOTSET\tSSID 0\t\tRun Mode On\n"
            "Base Lat   0.000000\tLon     0.00000    Altitude 0 meters\n"
            "Host baud\t19200\nGPS  baud\t9600\nTNC  baud\t19200\n"
            "WIDE Max 3\tWIDE Total 6\n"
            "Dupe Window 28 sec.\tCall Rate Limit 0 sec.\n"
            "Beacon 600 sec.\tIcon /#\n"
            "Beacon Comment: \nControl Call: \n"
            "NSR: Disabled\tRelay Drop: Disabled\n"
            "Digi Path[0]: \n"
            "Log Port: Yes\nUITrace: No\tHave GPS: No\n"
            "Fix Valid: Yes\tPass packets without valid position: No\n"
            "Halt On Error: No\tDrop Mangled Packet: Yes\n"
            "Rule count 0\tImplicit Rule Action: ?\n");
}

TEST(ConfRecord, DisplayOfChangedFields) {
  conf_load_defaults();
  std::memcpy(conf_rec.station_call, "K1A\0", 4);  // rest of NOTSET stays behind
  std::memcpy(conf_rec.digi_path[0], "WIDE1-1", 7);
  std::memcpy(conf_rec.digi_path[1], "ABCDEFGH", 8);  // 8 characters, no terminator
  digi_path_count = 2;
  conf_rec.uitrace = 0xFFFF;
  conf_rec.nsr = 1;
  conf_rec.run_mode = 0;
  conf_rec.base_lat = -33.5f;
  conf_rec.base_lon = 151.25f;
  conf_rec.icon = ('\\' << 8) | 0xBE;  // the code's high bit is masked off
  conf_rec.implicit_action = IMPLICIT_DROP;
  conf_rec.rule_count = 4;
  std::string shown = captured_display();
  EXPECT_NE(shown.find("Station Call\t   K1A\tSSID 0\t\tRun Mode Off\n"), std::string::npos);
  EXPECT_NE(shown.find("Base Lat -33.500000\tLon   151.25000    "), std::string::npos);
  EXPECT_NE(shown.find("Icon \\>\n"), std::string::npos);
  EXPECT_NE(shown.find("NSR: Enabled\tRelay Drop: Disabled\nDigi Path[2]: WIDE1-1,ABCDEFGH\n"),
            std::string::npos);
  EXPECT_NE(shown.find("UITrace: Yes\t"), std::string::npos);
  EXPECT_NE(shown.find("Rule count 4\tImplicit Rule Action: Drop\n"), std::string::npos);
  conf_rec.implicit_action = IMPLICIT_PASS;
  EXPECT_NE(captured_display().find("Implicit Rule Action: Pass\n"), std::string::npos);
  conf_load_defaults();
  EXPECT_EQ(digi_path_count, 0);
}
