// Intel HEX verification: the record checks in their order, line numbering,
// and files written by real tools.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "file_text.h"
#include "firmware.h"
#include "run_program.h"

namespace {

struct verify_outcome {
  int result;
  std::string out;
};

verify_outcome verify_file(std::FILE* fp) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const int result = inhexverify(fp);
  return {result, testing::internal::GetCapturedStdout()};
}

verify_outcome verify_text(const std::string& text) {
  std::FILE* fp = std::tmpfile();
  if (fp == nullptr) return {0, "tmpfile failed"};
  std::fwrite(text.data(), 1, text.size(), fp);
  // Leave the position at the end: the check must rewind by itself.
  const verify_outcome outcome = verify_file(fp);
  std::fclose(fp);
  return outcome;
}

std::string repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string fault(const char* what, const char* line_no) {
  return std::string("\a\aError: ") + what + " for line " + line_no + " in Firmware file!\n";
}

const std::string EMPTY = "\a\aError: Firmware file is empty!\n";

int system_ok(const std::string& command) { return std::system((command + " 2>&1").c_str()); }

int count_record_lines(const std::string& text) {
  int n = 0;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) n += !line.empty() && line[0] == ':';
  return n;
}

}  // namespace

TEST(HexToInt, ReadsAtMostLenCharacters) {
  const struct {
    const char* text;
    int len;
    int value;
  } cases[] = {
      {"1F", 2, 0x1F},
      {"1f", 2, 0x1F},
      {"1F", 1, 1},
      {"FFF", 2, 0xFF},
      {"G1", 2, 0},
      {"1G", 2, 1},
      {" 7", 2, 7},
      {"\t-1", 3, -1},
      {"+ A", 3, 10},
      {"- ", 2, 0},
      {"AB", 0, 0},
      {"AB", -1, 0},
      {"7fffffff", 8, 0x7FFFFFFF},
      {"", 2, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(hex_to_int(c.text, c.len), c.value) << '"' << c.text << '"';
  EXPECT_EQ(hex_to_int(nullptr, 2), 0);
  // The conversion stops at the terminator even when len allows more.
  const char short_text[] = {'4', '\0', '5'};
  EXPECT_EQ(hex_to_int(short_text, 3), 4);
}

TEST(InhexSum, AddsPairsModulo256AndAnOddDigitAlone) {
  EXPECT_EQ(inhex_sum("0400000001020304F2"), 0);
  EXPECT_EQ(inhex_sum("0400000001020304F3"), 1);
  EXPECT_EQ(inhex_sum("FFFF"), 0xFE);
  EXPECT_EQ(inhex_sum("FF1"), 0);  // 0xFF + 1 wraps
  EXPECT_EQ(inhex_sum(""), 0);
}

TEST(InhexVerify, GoodFilesGiveTheirRecordCount) {
  const struct {
    const char* name;
    std::string text;
    int records;
  } cases[] = {
      {"data and end", ":0400000001020304F2\n:00000001FF\n", 2},
      {"blank and comment lines around",
       "\n# firmware 1.0\n:0400000001020304F2\n\n; note\n/ x\n:00000001FF\n\n\n", 2},
      {"offset 12 and extended linear address", ":04000C0001020304E6\n:020000040000FA\n", 2},
      {"lower case digits", ":0400000001020304f2\n:04000c0001020304e6\n", 2},
      {"CR LF line ends", ":0400000001020304F2\r\n:00000001FF\r\n", 2},
      {"no newline after the last line", ":0400000001020304F2\n:00000001FF", 2},
      {"records after the end record", ":00000001FF\n:0400000001020304F2\n", 2},
      {"odd offset on a non-data record", ":020002040000F8\n", 1},
      {"start linear address type 05", ":04000005000000C037\n", 1},
      {"128 data bytes", ":80000000" + repeat("00", 128) + "80\n", 1},
  };
  for (const auto& c : cases) {
    const verify_outcome v = verify_text(c.text);
    EXPECT_EQ(v.result, c.records) << c.name;
    EXPECT_EQ(v.out, "") << c.name;
  }
}

TEST(InhexVerify, FirstFaultOfALineGivesItsMessageAndResult) {
  const struct {
    const char* name;
    std::string text;
    int result;
    std::string message;
  } cases[] = {
      {"checksum", ":0400000001020304F3\n", -2, fault("checksum mismatch (0x01)", "1")},
      {"type 06", ":00000006FA\n", -3, fault("invalid type (06)", "1")},
      {"type 10 good sum", ":00000010F0\n", -3, fault("invalid type (10)", "1")},
      {"length", ":0500000001020304F1\n", -4, fault("invalid record length (5)", "1")},
      {"trailing blank", ":0400000001020304F2 \n", -4, fault("invalid record length (4)", "1")},
      {"over 128", ":81000000" + repeat("00", 129) + "7F\n", -5,
       fault("record length > 128 (129)", "1")},
      {"offset 2", ":0400020001020304F0\n", -6,
       "\a\aError: data record offset boundary error for line 1 in Firmware file!\n"},
      {"colon alone", ":\n", -4, fault("invalid record length (0)", "1")},
      {"short with bad sum", ":FF\n", -2, fault("checksum mismatch (0xff)", "1")},
      {"eight characters", ":0000000\n", -4, fault("invalid record length (0)", "1")},
      {"comment first", "# v1\n:0400000001020304F3\n", -2, fault("checksum mismatch (0x01)", "2")},
      {"first faulty line wins", ":0400000001020304F2\n:00000006FA\n:0400000001020304F3\n", -3,
       fault("invalid type (06)", "2")},
      {"several faults in one line, checksum first", ":0500020601020304FF\n", -2,
       fault("checksum mismatch (0x16)", "1")},
  };
  for (const auto& c : cases) {
    const verify_outcome v = verify_text(c.text);
    EXPECT_EQ(v.result, c.result) << c.name;
    EXPECT_EQ(v.out, c.message) << c.name;
  }
}

TEST(InhexVerify, ShortRecordNeverReadsTheStaleTailOfTheBuffer) {
  // Line 1 leaves "99" at positions 7 and 8 of the line buffer; the short
  // record after it has no type field and must fail on its length.
  const verify_outcome v = verify_text("#23456799\n:00\n");
  EXPECT_EQ(v.result, -4);
  EXPECT_EQ(v.out, fault("invalid record length (0)", "2"));
}

TEST(InhexVerify, LongLinesAreReadInPiecesThatEachCount) {
  // 511 characters make the first piece; the record behind them is line 2,
  // and the next line of the file is line 3.
  const std::string text = "#" + std::string(510, 'x') + ":00000001FF\n:00000006FA\n";
  const verify_outcome v = verify_text(text);
  EXPECT_EQ(v.result, -3);
  EXPECT_EQ(v.out, fault("invalid type (06)", "3"));
}

TEST(InhexVerify, EmptyFilesAndMissingFile) {
  for (const char* text : {"", "\n\n", "# only a comment\n; and another\n", " :00000001FF\n"}) {
    const verify_outcome v = verify_text(text);
    EXPECT_EQ(v.result, -7) << '"' << text << '"';
    EXPECT_EQ(v.out, EMPTY) << '"' << text << '"';
  }
  const verify_outcome v = verify_file(nullptr);
  EXPECT_EQ(v.result, -1);
  EXPECT_EQ(v.out, "inhexverify: Error: param fp is invalid\n");
}

TEST(InhexVerify, FilesWrittenByObjcopyAndSrecCat) {
  temp_dir dir;
  // 5000 bytes that are neither all zero nor all alike.
  const std::string image = noise_image(5000, 12345);
  const std::string bin = dir.write("image.bin", image);

  const std::string from_objcopy = dir.path() + "/objcopy.hex";
  ASSERT_EQ(system_ok("objcopy -I binary -O ihex " + bin + " " + from_objcopy), 0);
  struct made {
    std::string path;
    int expected;  // 0: take the count of lines beginning with ':'
    bool paged;    // extended linear address records expected
  };
  std::vector<made> files = {{from_objcopy, 5000 / 16 + 1 + 1, false}};
  // srec_cat places the image just below 128 KiB, so the data crosses into
  // two more 64 KiB pages and the file carries extended linear address records.
  for (int block : {32, 128}) {
    const std::string out = dir.path() + "/srec" + std::to_string(block) + ".hex";
    ASSERT_EQ(system_ok("srec_cat " + bin + " -Binary -offset 0x1FFF4 -o " + out +
                        " -Intel -Output_Block_Size " + std::to_string(block)),
              0);
    // srec_info must read the file as Intel HEX too.
    ASSERT_EQ(system_ok("srec_info " + out + " -Intel > /dev/null"), 0);
    files.push_back({out, 0, true});
  }
  for (const auto& f : files) {
    const std::string text = slurp(f.path);
    const int lines = count_record_lines(text);
    if (f.expected > 0) {
      EXPECT_EQ(lines, f.expected) << f.path;
    }
    if (f.paged) {
      EXPECT_NE(text.find(":02000004"), std::string::npos) << f.path;
    }
    std::FILE* fp = std::fopen(f.path.c_str(), "r");
    ASSERT_NE(fp, nullptr);
    const verify_outcome v = verify_file(fp);
    std::fclose(fp);
    EXPECT_EQ(v.result, lines) << f.path;
    EXPECT_EQ(v.out, "") << f.path;
  }
}

TEST(InhexVerify, TheBuildsExampleFirmwareFile) {
  // 8 KiB in 16-byte records, two segment address records, a start address
  // record and the end record.
  const std::string path =
      std::filesystem::path(ZENTROHOST_PATH).parent_path() / "examples/zentrovane-fw.hex";
  std::FILE* fp = std::fopen(path.c_str(), "r");
  ASSERT_NE(fp, nullptr) << path;
  const verify_outcome v = verify_file(fp);
  std::fclose(fp);
  EXPECT_EQ(v.result, 8192 / 16 + 2 + 1 + 1);
  EXPECT_EQ(v.out, "");
}
