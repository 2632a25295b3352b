// The diagnostic dump, written to a memory stream and compared whole.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "link.h"

namespace {

const std::string ruler =
    "Dec  Hex |  0  1  2  3  4  5  6  7    8  9  a  b  c  d  e  f | 0123456789abcdef\n";

std::string dump(int opts, const char* label, const std::string& bytes, int every,
                 int len = INT_MIN) {
  char* text = nullptr;
  std::size_t size = 0;
  FILE* f = open_memstream(&text, &size);
  hexdump(f, opts, label, bytes.data(), len == INT_MIN ? static_cast<int>(bytes.size()) : len,
          every);
  std::fclose(f);
  std::string out(text, size);
  std::free(text);
  return out;
}

std::string bytes_from(int first, int count) {
  std::string s;
  for (int i = 0; i < count; ++i) s += static_cast<char>(first + i);
  return s;
}

TEST(hexdump_test, short_dump_is_padded_so_its_bar_lines_up) {
  EXPECT_EQ(dump(1, "Got", "AB\n", 10),
            "Got: length 3 (0x3):\n" + ruler +
                "   0 0000| 41 42 0a                                          | AB.\n");
}

TEST(hexdump_test, full_lines_are_79_characters_and_a_17th_byte_starts_a_new_line) {
  const std::string sixteen = dump(1, "Got", bytes_from(0x7A, 16), 10);
  EXPECT_EQ(sixteen, "Got: length 16 (0x10):\n" + ruler +
                         "   0 0000| 7a 7b 7c 7d 7e 7f 80 81   82 83 84 85 86 87 88 89 | "
                         "z{|}~...........\n");
  const std::size_t line_start = sixteen.find("   0 0000");
  EXPECT_EQ(sixteen.size() - line_start, 80u);

  EXPECT_EQ(dump(1, "Got", bytes_from(0x30, 17), 10),
            "Got: length 17 (0x11):\n" + ruler +
                "   0 0000| 30 31 32 33 34 35 36 37   38 39 3a 3b 3c 3d 3e 3f | 0123456789:;<=>?\n"
                "  16 0010| 40                                                | @\n");
}

TEST(hexdump_test, an_empty_dump_is_its_heading_alone) {
  EXPECT_EQ(dump(1, "Got", "", 10), "Got: length 0 (0x0):\n");
}

TEST(hexdump_test, ruler_heads_every_tenth_line_after_a_blank_line) {
  const std::string out = dump(1, "Got", std::string(16 * 21, 'x'), 10);
  std::size_t rulers = 0, at = 0;
  while ((at = out.find(ruler, at)) != std::string::npos) {
    ++rulers;
    at += ruler.size();
  }
  EXPECT_EQ(rulers, 3u);
  EXPECT_NE(out.find("\n\n" + ruler + " 160 00a0| "), std::string::npos);
  EXPECT_NE(out.find("\n\n" + ruler + " 320 0140| "), std::string::npos);
  EXPECT_EQ(dump(1, "Got", std::string(40, 'x'), 0).find("Dec"), std::string::npos);
}

TEST(hexdump_test, headings_follow_the_options_and_label) {
  struct heading_case {
    int opts;
    const char* label;
    std::string heading;
  };
  const heading_case cases[] = {
      {1, nullptr, "hexdump: length 2 (0x2):\n"},
      {1, "", "length 2 (0x2):\n"},
      {3, "Rx", "Rx: length 2 (0x2):\n"},
      {2, "Rx", "length 2 (0x2):\n"},
      {4, "Rx", ""},
  };
  for (const heading_case& c : cases) {
    SCOPED_TRACE(c.opts);
    const std::string out = dump(c.opts, c.label, "hi", 0);
    EXPECT_EQ(out.substr(0, out.find("   0 0000")), c.heading);
  }
  // With opts 0 the heading shows where the buffer lies.
  EXPECT_EQ(dump(0, "Rx", "hi", 0).rfind("hexdump: Rx: buffer addr 0x", 0), 0u);
  EXPECT_EQ(dump(0, nullptr, "hi", 0).rfind("hexdump: buffer addr 0x", 0), 0u);
}

TEST(hexdump_test, bad_arguments_print_their_check) {
  EXPECT_EQ(dump(1, "Got", "abc", 10, -2), "hexdump: invalid param len -2\n");
  char* text = nullptr;
  std::size_t size = 0;
  FILE* f = open_memstream(&text, &size);
  hexdump(f, 1, "Got", nullptr, 3, 10);
  std::fclose(f);
  EXPECT_EQ(std::string(text, size), "hexdump: invalid param buf ptr\n");
  std::free(text);
}

}  // namespace
