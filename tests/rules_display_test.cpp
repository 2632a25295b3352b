// "rules" and "drules" through zentrohost, and the display's columns.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "rules_support.h"

namespace {

const std::string P = "Command> ";

// Runs the commands, then exits; gives what followed the start-up text.
std::string session(const std::string& commands) {
  const program_result r = run_host(commands + "exit\n");
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out.substr(0, startup_text().size()), startup_text());
  return r.out.size() >= startup_text().size() ? r.out.substr(startup_text().size()) : r.out;
}

const std::string HEADING = "\n#  Action Mods Command   Arguments\n";

// The display line of the one rule a file holds.
std::string rule_one_line(const std::string& rule) {
  temp_dir dir;
  const rules_outcome r = run_rules_text(dir, rule + "\n");
  EXPECT_EQ(r.rc, 0) << rule << r.out;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  rules_display();
  std::fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  const auto start = out.find("\n1 ");
  return start == std::string::npos ? out : out.substr(start + 1);
}

}  // namespace

TEST(RulesDisplay, EveryKindExampleByteForByte) {
  const std::string file = FIXTURES_DIR "/rules_every_kind.rul";
  EXPECT_EQ(session("rules " + file + "\ndrules\n"),
            P + "Rules processed 9, implicit 1\n" + P + "Rule count 9 plus Implicit\n" + HEADING +
                "0  Drop        Implicit \n"
                "1  Pass    00  destin    APRS   \n"
                "2  Drop    10  destin    WIDE*   \n"
                "3  Drop    40  source    TEST-9   \n"
                "4  Pass    00  circle    25.000 mi R, 45.500000  D Lat, -122.25000  D Lon \n"
                "5  Drop    00  compass   NW Dir, 45.500000  D Lat, -122.25000  D Lon \n"
                "6  Pass    00  rectangle 46.000000  D Lat1, -123.00000  D Lon1, 45.000000  D "
                "Lat2, -122.00000  D Lon2\n"
                "7  Drop    00  sector    45.000 D Ang1, 135.000 D Ang2, 5.000 In R, 50.000 Out "
                "R\n"
                "8  Pass    40  digi      1, WIDE1-1  \n"
                "9  Drop    00  digi      *, RELAY  \n" +
                P);
}

TEST(RulesDisplay, NoRulesShowsTheImplicitActionOnly) {
  temp_dir dir;
  const std::string drop_only = dir.write("drop.rul", "# nothing but\nimplicit drop\n");
  const std::string failing = dir.write("bad.rul", "implicit drop\npass destin A\npass bogus\n");
  const std::string no_rules = "No Rules are configured!  Implicit Rule Action is ";
  EXPECT_EQ(session("drules\n"), P + no_rules + "?\n" + P);
  EXPECT_EQ(session("rules " + drop_only + "\ndrules\n"),
            P + "Rules processed 0, implicit 1\n" + P + no_rules + "Drop\n" + P);
  // A failed run shows none of the rules read before the faulty line.
  EXPECT_EQ(session("rules " + failing + "\ndrules\n"),
            P + line_error(failing, 3, "command bogus invalid", "pass bogus") +
                "\a\aError: Rule processing failed\n" + P + no_rules + "Drop\n" + P);
}

TEST(RulesDisplay, ColumnsByKindAndModifier) {
  const struct {
    const char* rule;
    const char* line;
  } cases[] = {
      {"pass destin *", "1  Pass    30  destin    *   \n"},
      {"drop digi * *", "1  Drop    30  digi      *, *  \n"},
      {"pass src ABCDEF", "1  Pass    00  source    ABCDEF   \n"},
      {"pass src ABCDEF-0", "1  Pass    40  source    ABCDEF-0   \n"},
      {"pass dst ABCDEF*", "1  Pass    10  destin    ABCDEF*   \n"},
      {"drop digi 3 ab*cd", "1  Drop    10  digi      3, AB*  \n"},
      {"drop compass n, 0:0:0, 0:0:0",
       "1  Drop    00  compass   N  Dir, 0.000000   D Lat, 0.00000     D Lon \n"},
      // Columns longer than usual are shown whole.
      {"pass circle 123456789012, 0:0:0, 0:0:0",
       "1  Pass    00  circle    123456790528.000 mi R, 0.000000   D Lat, 0.00000     D Lon \n"},
      {"pass sector 0:0:0, 1:0:0, 1 1e38",
       "1  Pass    00  sector    0.000 D Ang1, 1.000 D Ang2, 1.000 In R, "
       "99999996802856924650656260769173209088.000 Out R\n"},
  };
  for (const auto& c : cases) EXPECT_EQ(rule_one_line(c.rule), c.line) << c.rule;
}

TEST(RulesDisplay, TwoDigitRuleNumbersFillTheirField) {
  temp_dir dir;
  ASSERT_EQ(run_rules_text(dir, numbered_rules(11)).rc, 0);
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  rules_display();
  std::fflush(stdout);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find("\n9  Pass    00  destin    C9   \n10 Pass    00  destin    C10   \n"
                     "11 Pass    00  destin    C11   \n"),
            std::string::npos)
      << out;
}

TEST(RulesDisplay, RecordsTheParserNeverWritesStillShowSafely) {
  // An action outside pass and drop, an unknown direction, an unknown kind.
  conf_rec.rule_count = 3;
  conf_rec.implicit_action = 'x';
  rule_table[0] = rule_record{};
  rule_table[0].kind = 53;
  rule_table[0].flags = 0x10;
  std::memcpy(rule_table[0].arg[0], "ABCDEF", 6);
  rule_table[1] = rule_record{};
  rule_table[1].kind = 56;
  rule_table[1].flags = RULE_ACT_PASS;
  rule_table[1].arg[0][0] = 200;
  rule_table[2] = rule_record{};
  rule_table[2].kind = 99;
  rule_table[2].flags = 0xF4;
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  rules_display();
  std::fflush(stdout);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "Rule count 3 plus Implicit\n" + HEADING +
                "0  ?           Implicit \n"
                "1  ?       10  destin    ABCDEF*   \n"
                "2  Pass    00  compass   Error Dir, 0.000000   D Lat, 0.00000     D Lon \n"
                "3  Drop    f0  ?            \n");
  conf_rec.rule_count = 0;
}

TEST(RulesExample, ExampleFileUsesEveryKind) {
  const std::string out = session("rules " EXAMPLES_DIR "/filter.rul\ndrules\n");
  EXPECT_EQ(out.find("Error"), std::string::npos) << out;
  for (const char* kind : {"destin", "source", "circle", "compass", "rectangle", "sector", "digi"})
    EXPECT_NE(out.find(std::string("  ") + kind + " "), std::string::npos) << kind;
  EXPECT_NE(out.find("0  Drop        Implicit \n"), std::string::npos);
}

TEST(RulesCarryOver, ConfigureKeepsTheRulesInEitherOrder) {
  temp_dir dir;
  const std::string rules = dir.write("r.rul", "implicit drop\npass destin A\ndrop source B\n");
  const std::string good = dir.write("good.cfg", "# defaults only\n");
  const std::string bad = dir.write("bad.cfg", "no_such_keyword 1\n");
  const std::string shown = "Rule count 2 plus Implicit\n" + HEADING +
                            "0  Drop        Implicit \n"
                            "1  Pass    00  destin    A   \n"
                            "2  Drop    00  source    B   \n";
  const std::string sequences[] = {
      "rules " + rules + "\n",
      "configure " + good + "\nrules " + rules + "\n",
      "rules " + rules + "\nconfigure " + good + "\n",
      "rules " + rules + "\nconfigure " + bad + "\n",
  };
  for (const auto& commands : sequences) {
    const std::string out = session(commands + "drules\n");
    const auto last = out.rfind(P, out.size() - P.size() - 1);
    ASSERT_NE(last, std::string::npos) << commands;
    EXPECT_EQ(out.substr(last + P.size()), shown + P) << commands;
  }
  // A configuration file read before any rules file sets the implicit rule to pass.
  const std::string out = session("configure " + good + "\ndrules\n");
  EXPECT_NE(out.find(P + "No Rules are configured!  Implicit Rule Action is Pass\n" + P),
            std::string::npos)
      << out;
}
