// The shell's pure pieces: word splitting, COM port and rate words, command
// matching and the help summary.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "cmd_codes.h"
#include "cmd_table.h"
#include "conf_rec.h"
#include "words.h"

namespace {

// Splits a command line the way the shell does: the command word and the
// following words with ", \t", the word marked F with ",\t".
std::vector<std::string> split(const char* line, const char* kinds) {
  char buf[256];
  std::snprintf(buf, sizeof buf, "%s", line);
  word_splitter words(buf);
  std::vector<std::string> out;
  for (const char* k = kinds; *k; ++k) {
    const char* w = words.next(*k == 'F' ? FILE_NAME_SEPARATORS : WORD_SEPARATORS);
    out.push_back(w ? w : "<none>");
  }
  return out;
}

using words_t = std::vector<std::string>;

}  // namespace

TEST(ShellWords, SplitsWordsAndFileNames) {
  EXPECT_EQ(split("configure  my file.txt", "WF"), (words_t{"configure", " my file.txt"}));
  EXPECT_EQ(split("configure a.txt,b.txt", "WF"), (words_t{"configure", "a.txt"}));
  EXPECT_EQ(split("  ,connect COM3,9600 extra", "WWW"), (words_t{"connect", "COM3", "9600"}));
  EXPECT_EQ(split("connect 3\t9600", "WWW"), (words_t{"connect", "3", "9600"}));
  EXPECT_EQ(split("rules\tname with blanks\t", "WF"), (words_t{"rules", "name with blanks"}));
  EXPECT_EQ(split("configure", "WF"), (words_t{"configure", "<none>"}));
  EXPECT_EQ(split("configure ,\t,", "WF"), (words_t{"configure", "<none>"}));
  EXPECT_EQ(split("firmware 3 fw.hex", "WWF"), (words_t{"firmware", "3", "fw.hex"}));
  EXPECT_EQ(split(" , \t", "W"), (words_t{"<none>"}));
  // Once the line is used up no later word appears, whatever the separators.
  EXPECT_EQ(split("x", "WFWF"), (words_t{"x", "<none>", "<none>", "<none>"}));
}

TEST(ShellWords, ComPortNumbers) {
  const struct {
    const char* word;
    int port;
  } cases[] = {
      {"3", 3},       {"com3", 3},  {"COM20", 20}, {"Com1", 1},  {"3x", 3},
      {"+7", 7},      {"0", 0},     {"21", 0},     {"com", 0},   {"port3", 0},
      {"com0", 0},    {"com21", 0}, {"-3", 0},     {"com-3", 0}, {"99999999999999999999", 0},
      {"comcom3", 0}, {"x", 0}};
  for (const auto& c : cases) EXPECT_EQ(parse_com_port(c.word), c.port) << c.word;
}

TEST(ShellWords, LinkRates) {
  for (long rate : {4800L, 9600L, 19200L, 38400L, 57600L}) EXPECT_TRUE(is_link_baud(rate));
  for (long rate : {0L, 110L, 14400L, 56000L, 115200L, -9600L}) EXPECT_FALSE(is_link_baud(rate));
  EXPECT_EQ(leading_number("9600bps"), 9600);
  EXPECT_EQ(leading_number("fast"), 0);
  EXPECT_EQ(leading_number("99999999999999999999"), 2147483647);  // saturates, never overflows
}

TEST(ShellMatching, PrefixesSelectOrAreAmbiguous) {
  const struct {
    const char* word;
    match_result result;
    const char* name;  // the selected entry
  } cases[] = {
      {"c", match_result::ambiguous, nullptr},   {"co", match_result::ambiguous, nullptr},
      {"con", match_result::ambiguous, nullptr}, {"conf", match_result::found, "configure"},
      {"conn", match_result::found, "connect"},  {"d", match_result::ambiguous, nullptr},
      {"dc", match_result::found, "dconfigure"}, {"dr", match_result::found, "drules"},
      {"de", match_result::found, "deditpath"},  {"di", match_result::found, "disconnect"},
      {"do", match_result::found, "download"},   {"DOWNLOAD", match_result::found, "download"},
      {"q", match_result::found, "quit"},        {"e", match_result::found, "exit"},
      {"X", match_result::found, "x"},           {"?", match_result::found, "?"},
      {".", match_result::found, "."},           {"helpme", match_result::unknown, nullptr},
      {"h", match_result::found, "help"},        {"s", match_result::found, "serialtest"},
      {"r", match_result::found, "rules"},       {"zz", match_result::unknown, nullptr},
  };
  for (const auto& c : cases) {
    const cmd_entry* e = nullptr;
    EXPECT_EQ(match_command(c.word, &e), c.result) << c.word;
    if (c.name) {
      ASSERT_NE(e, nullptr) << c.word;
      EXPECT_STREQ(e->name, c.name) << c.word;
    }
  }
}

TEST(ShellMatching, EveryFullNameSelectsItsOwnEntry) {
  for (int i = 0; i < cmd_table_size; ++i) {
    const cmd_entry* e = nullptr;
    ASSERT_EQ(match_command(cmd_table[i].name, &e), match_result::found) << cmd_table[i].name;
    EXPECT_EQ(e, &cmd_table[i]);
  }
}

TEST(ShellHelp, BracketsTheDefaultRate) {
  const struct {
    int have_gps;
    unsigned gps, host;
    const char* rates;
  } cases[] = {
      {0, 9600, 19200, "4800 9600 [19200] 38400 57600 \n"},
      {1, 9600, 19200, "4800 [9600] 19200 38400 57600 \n"},
      {0, 9600, 57600, "4800 9600 19200 38400 [57600] \n"},
      {1, 1200, 19200, "4800 9600 19200 38400 57600 \n"},  // not a link rate: none bracketed
  };
  for (const auto& c : cases) {
    conf_load_defaults();
    conf_rec.have_gps = static_cast<std::uint16_t>(c.have_gps);
    conf_rec.gps_baud = c.gps;
    conf_rec.host_baud = c.host;
    testing::internal::CaptureStdout();
    help_summary();
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find(std::string("once connected. Default [ ]\n           Valid Baud Rates:\t") +
                       c.rates + "configure  file_name "),
              std::string::npos)
        << out;
  }
  conf_load_defaults();
}
