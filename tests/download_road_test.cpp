// The road from the example files to the device, inside one process: the
// configuration and rules the utility compiles arrive byte for byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "conf_rec.h"
#include "direct_download.h"
#include "download.h"
#include "download_side.h"
#include "path_edit.h"
#include "rule_rec.h"

using direct_download::device;
using direct_download::from_device;
using direct_download::to_device;

TEST(DownloadRoad, ExampleFilesArriveByteForByte) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  ASSERT_EQ(conf_process(EXAMPLES_DIR "/station.cfg"), 0);
  ASSERT_EQ(rules_process(EXAMPLES_DIR "/filter.rul"), 0);
  download_side side;
  device = &side;
  dwn_use_port(to_device, from_device);
  const int r = dwn_download();
  dwn_use_port(nullptr, nullptr);
  testing::internal::GetCapturedStdout();
  ASSERT_EQ(r, 0);
  ASSERT_TRUE(side.done());

  std::uint8_t wire[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, wire);
  EXPECT_EQ(side.conf_bytes(), std::vector<std::uint8_t>(wire, wire + CONF_REC_SIZE));
  ASSERT_GT(conf_rec.rule_count, 0);
  std::vector<std::uint8_t> rules(conf_rec.rule_count * RULE_REC_SIZE);
  for (int i = 0; i < conf_rec.rule_count; ++i)
    rule_rec_to_wire(rule_table[i], &rules[i * RULE_REC_SIZE]);
  EXPECT_EQ(side.rules_bytes(), rules);

  // The device's copy, decoded, displays as the utility's own does.
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  conf_display();
  path_edit_display();
  rules_display();
  const std::string utility_view = testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  dwn_print_received(side);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), utility_view);
}
