// The simulated loader's own checks, which a verified file never reaches
// through the host: a damaged line in transit must still be refused.
#include "firmware_side.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string feed(firmware_side& side, const std::string& bytes) {
  std::string answers;
  side.feed(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), answers);
  return answers;
}

}  // namespace

TEST(FirmwareSide, HandshakeThenRecordReplies) {
  firmware_side side;
  EXPECT_EQ(side.reset(), "\x05");
  EXPECT_EQ(feed(side, "x\x16"), "\x06");  // bytes before the sync are ignored
  EXPECT_EQ(feed(side, "ZeTrVa1.1"), "\x15");
  EXPECT_EQ(feed(side, "ZeTrVa1.0"), "\x06");
  const struct {
    const char* line;
    char reply;
  } cases[] = {
      {":0400000001020304F2\r", 0x06}, {"0400000001020304F2\r", 0x11},
      {":0400000001020304F3\r", 0x12}, {":0500000001020304F1\r", 0x15},
      {":04000000010203G4F2\r", 0x15}, {":00000001FF\r", 0x06},
  };
  for (const auto& c : cases) EXPECT_EQ(feed(side, c.line), std::string(1, c.reply)) << c.line;
  EXPECT_TRUE(side.finished());
  ASSERT_EQ(side.lines().size(), 6u);
  EXPECT_EQ(side.lines()[0].text, ":0400000001020304F2");
}

TEST(FirmwareSide, PlantedRepliesAndOtherAnswers) {
  fw_sim_options options;
  ASSERT_TRUE(fw_parse_replies("2:17,3:00", options.line_replies));
  for (const char* bad : {"0:06", "2", "2:1ff", "2:", "x:06", "2:06;3:06"})
    EXPECT_FALSE(fw_parse_replies(bad, options.line_replies)) << bad;
  EXPECT_EQ(options.line_replies.size(), 2u);  // the bad lists changed nothing
  options.prompt = "xyz\x05";
  options.sync_reply = "?";
  options.ident_reply = "";

  firmware_side side(options);
  EXPECT_EQ(side.reset(), "xyz\x05");
  EXPECT_EQ(feed(side, "\x16"), "?");
  EXPECT_EQ(feed(side, "ZeTrVa1.0"), "");
  const std::string good = ":00000001FF\r";
  EXPECT_EQ(feed(side, good), "\x06");
  EXPECT_EQ(feed(side, good), "\x17");
  EXPECT_EQ(feed(side, good), "");  // 00: no reply at all
  EXPECT_EQ(side.lines()[2].reply, -1);
  EXPECT_EQ(feed(side, good), "\x06");
}
