// Rule records as the device receives them, and the duplicate test.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

#include "rules_support.h"

namespace {

using wire = std::array<std::uint8_t, RULE_REC_SIZE>;

wire to_wire(const rule_record& r) {
  wire w;
  rule_rec_to_wire(r, w.data());
  return w;
}

std::string hex(const wire& w) {
  static const int group_ends[] = {6, 12, 18, 24, 25, 26};
  std::string out;
  char byte[3];
  for (std::size_t i = 0; i < w.size(); ++i) {
    for (int end : group_ends)
      if (static_cast<std::size_t>(end) == i) out += ' ';
    std::snprintf(byte, sizeof byte, "%02x", w[i]);
    out += byte;
  }
  return out;
}

// Parses a file and gives the wire bytes of its last rule.
wire last_rule_bytes(const std::string& text) {
  temp_dir dir;
  const rules_outcome r = run_rules_text(dir, text);
  EXPECT_EQ(r.rc, 0) << text << r.out;
  if (conf_rec.rule_count == 0) return {};
  return to_wire(rule_table[conf_rec.rule_count - 1]);
}

}  // namespace

// Expected bytes in hex, one group per field: arg0 arg1 arg2 arg3 kind flags line_no.
TEST(RuleRecord, WireBytesByKind) {
  const struct {
    const char* text;
    const char* hex;
  } cases[] = {
      {"#\n\ndrop destin APRS-1\n",
       "415052530000 010000000000 000000000000 000000000000 35 44 0300"},
      {"pass destin *\n", "000000000000 000000000000 000000000000 000000000000 35 38 0100"},
      {"pass dst WIDE*\n", "574944450000 000000000000 000000000000 000000000000 35 18 0100"},
      // Six characters fill the field with no terminator; the SSID follows.
      {"drop src aBcDeF-15\n", "614263446546 0f0000000000 000000000000 000000000000 36 44 0100"},
      {"pass destin -5\n", "000000000000 050000000000 000000000000 000000000000 35 48 0100"},
      {"pass circle 25, 45:30:00, -122:15:00\n",
       "0000c8410000 000036420000 0080f4c20000 000000000000 37 08 0100"},
      {"drop compass nw, 45:30:00, -122:15:00\n",
       "080000000000 000036420000 0080f4c20000 000000000000 38 04 0100"},
      {"pass rectangle 46:00:00, -123:00:00, 45:00:00, -122:00:00\n",
       "000038420000 0000f6c20000 000034420000 0000f4c20000 39 08 0100"},
      // Without an outer range its field stays zero.
      {"drop sector 45:00:00, 135:00:00, 5\n",
       "000034420000 000007430000 0000a0400000 000000000000 3a 04 0100"},
      {"drop sector 45:00:00, 135:00:00, 5 50\n",
       "000034420000 000007430000 0000a0400000 000048420000 3a 04 0100"},
      // Digi calls go upper case; "*" as the match index stores 0.
      {"pass digi 1 wide1-1\n", "574944453100 010000000000 010000000000 000000000000 3b 48 0100"},
      {"drop digi * relay\n", "52454c415900 000000000000 000000000000 000000000000 3b 04 0100"},
      {"drop digi 8 *\n", "000000000000 000000000000 080000000000 000000000000 3b 34 0100"},
  };
  for (const auto& c : cases) EXPECT_EQ(hex(last_rule_bytes(c.text)), c.hex) << c.text;
}

TEST(RuleRecord, LineNumberIsLittleEndian) {
  rule_record r{};
  r.line_no = 0x0102;
  EXPECT_EQ(to_wire(r)[26], 0x02);
  EXPECT_EQ(to_wire(r)[27], 0x01);
  r.line_no = -2;
  EXPECT_EQ(to_wire(r)[26], 0xFE);
  EXPECT_EQ(to_wire(r)[27], 0xFF);

  std::uint8_t field[6] = {};
  rule_put_real(field, -122.25f);
  const std::uint8_t expected[6] = {0x00, 0x80, 0xF4, 0xC2, 0, 0};
  EXPECT_EQ(std::memcmp(field, expected, 6), 0);
  EXPECT_EQ(rule_get_real(field), -122.25f);
}

TEST(RuleRecord, CheckRuleDupeComparesAllButTheLine) {
  temp_dir dir;
  ASSERT_EQ(run_rules_text(dir, "pass destin A\n#\npass destin B\npass destin C\n").rc, 0);

  rule_record probe = rule_table[1];
  probe.line_no = 99;  // never compared
  EXPECT_EQ(check_rule_dupe(3, &probe), 3);
  EXPECT_EQ(check_rule_dupe(1, &probe), 0);  // only the first count rules count
  probe.flags = RULE_ACT_DROP;
  EXPECT_EQ(check_rule_dupe(3, &probe), 0);
  probe = rule_table[1];
  probe.arg[3][5] = 1;  // the last argument byte takes part
  EXPECT_EQ(check_rule_dupe(3, &probe), 0);
  EXPECT_EQ(check_rule_dupe(1000, &rule_table[2]), 4);  // a count past the table stops at its end

  testing::internal::CaptureStdout();
  EXPECT_EQ(check_rule_dupe(3, nullptr), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "check_rule_dupe: Error: param rep is invalid\n");
}

TEST(RuleRecord, KeywordNames) {
  const struct {
    int code;
    const char* name;
  } cases[] = {{50, "implicit"}, {51, "pass"},    {52, "drop"},      {53, "destin"}, {54, "source"},
               {55, "circle"},   {56, "compass"}, {57, "rectangle"}, {58, "sector"}, {59, "digi"},
               {49, "?"},        {60, "?"},       {0, "?"},          {-1, "?"}};
  for (const auto& c : cases) EXPECT_STREQ(rule_keyword_name(c.code), c.name) << c.code;
}
