// The rules file parser: refused lines with their exact messages and
// results, accepted lines, and the state a run leaves behind.
#include <gtest/gtest.h>

#include <string>

#include "rules_support.h"

namespace {

// A file whose last line fails. Earlier lines, when given, are accepted.
struct refused_case {
  const char* text;  // the whole file; the failing line is its last line
  const char* what;  // the message between "file[line]: " and ":\n"
  int rc;
  const char* before = "";  // what the angle parser prints first, if anything
};

std::string last_line(const std::string& text) {
  std::string body = text.back() == '\n' ? text.substr(0, text.size() - 1) : text;
  const auto nl = body.rfind('\n');
  return nl == std::string::npos ? body : body.substr(nl + 1);
}

int line_count(const std::string& text) {
  int n = 0;
  for (char c : text) n += c == '\n';
  return n;
}

const char* const FLT_MAX_TEXT = "340282346638528859811704183484516925440.000000";

void expect_refused(const refused_case& c) {
  temp_dir dir;
  std::string path;
  const std::string text = std::string(c.text) + "\n";
  const rules_outcome r = run_rules_text(dir, text, &path);
  EXPECT_EQ(r.rc, c.rc) << c.text;
  EXPECT_EQ(r.out, c.before + line_error(path, line_count(text), c.what, last_line(text)))
      << c.text;
  EXPECT_EQ(conf_rec.rule_count, 0) << c.text;
  EXPECT_EQ(rules_processed, 0) << c.text;
}

}  // namespace

TEST(RulesParser, RefusedActionsAndKeywords) {
  const refused_case cases[] = {
      {"jump destin APRS", "action jump invalid", -3},
      {"pass", "missing arguments", -72},
      {"pass  \t,", "missing arguments", -72},
      {"pass # note", "missing command", -5},
      {"drop ;x", "missing command", -5},
      {"pass d APRS", "command d ambiguous", -7},
      {"pass s APRS", "command s ambiguous", -7},
      {"pass c 25, 0:0:0, 0:0:0", "command c ambiguous", -7},
      {"pass destination APRS", "command destination invalid", -7},
      {"pass circle# 25", "command circle# invalid", -7},
      // "implicit" cannot be a rule's action: its code is the prefix bit.
      {"implicit destin APRS", "action implicit only sets the implicit rule, use pass or drop", -3},
      {"i digi 1 WIDE1", "action i only sets the implicit rule, use pass or drop", -3},
  };
  for (const auto& c : cases) expect_refused(c);
}

TEST(RulesParser, RefusedCalls) {
  const refused_case cases[] = {
      {"pass destin", "missing Destination", -11},
      {"pass destin #", "missing Destination", -11},
      {"pass destin # note", "missing Destination string", -8},
      {"pass destin APRS-16", "invalid SSID range [0..15]: 16", -9},
      {"pass destin APRS-x", "invalid SSID range [0..15]: x", -9},
      {"pass destin APRS-99999999999999", "invalid SSID range [0..15]: 999999999", -9},
      {"pass destin ABCDEFG", "Destination is too long: ABCDEFG", -10},
      {"pass destin ABCDEFG-1", "Destination is too long: ABCDEFG", -10},
      {"drop source", "missing Source", -13},
      {"drop src ;x", "missing Source string", -12},
      {"drop source TEST-99", "invalid SSID range [0..15]: 99", -9},
      {"drop src LONGCALL*", "Source is too long: LONGCALL", -11},
      {"pass digi", "missing Match Index", -69},
      {"pass digi 9 WIDE1", "invalid Match Index, range [0..8]: 9", -57},
      {"pass digi x WIDE1", "invalid Match Index, range [0..8]: x", -57},
      // An argument that starts at the comment character is still read.
      {"pass digi #1 WIDE1", "invalid Match Index, range [0..8]: #", -57},
      {"pass digi 1", "missing Digi-n", -67},
      {"pass digi 1 # WIDE1", "missing Digi-n", -61},
      {"pass digi 1 wide1-x", "Digi Match: Digi wide1-x invalid SSID range [0..15]: x", -61},
      {"pass digi 1 wide1-16", "Digi Match: Digi wide1-16 invalid SSID range [0..15]: 16", -61},
      {"pass digi 1 toolong-1", "Digi Match: Digi toolong exceeds length 6", -61},
  };
  for (const auto& c : cases) expect_refused(c);
}

TEST(RulesParser, RefusedAreas) {
  const refused_case cases[] = {
      {"pass circle", "missing Radius", -25},
      {"pass circle 0, 45:30:00, -122:15:00", "invalid Circle Radius, must be > 0: 0.000000", -16},
      {"pass circle abc, 45:30:00, -122:15:00", "invalid Circle Radius, must be > 0: 0.000000",
       -16},
      {"pass circle 0x10, 45:30:00, 0:0:0", "invalid Circle Radius, must be > 0: 0.000000", -16},
      {"pass circle -5, 45:30:00, 0:0:0", "invalid Circle Radius, must be > 0: -5.000000", -16},
      {"pass circle 25", "missing Latitude", -24},
      {"pass circle 25#, 45:30:00, 0:0:0", "missing Latitude", -17},
      {"pass circle 25, 90:00:01, 0:0:0", "invalid Latitude range [-90..90]: 90.000275", -19},
      {"pass circle 25, 45:30:00", "missing Longitude", -23},
      {"pass circle 25, 45:30:00#, -122:15:00", "missing Longitude", -20},
      {"pass circle 25, 45:30:00, 180:00:01", "invalid Longitude range [-180..180]: 180.000275",
       -22},
      {"drop compass", "missing Compass Direction", -37},
      {"drop compass NNW, 45:30:00, 0:0:0", "invalid compass Direction NNW", -27},
      {"drop compass NW", "missing Latitude", -36},
      {"drop compass NW, -91:00:00, 0:0:0", "invalid Latitude range [-90..90]: -91.000000", -31},
      {"drop compass NW, 45:30:00", "missing Longitude", -35},
      {"drop compass NW, 45:30:00#, 0:0:0", "missing Longitude", -32},
      {"drop compass NW, 45:30:00, -181:00:00", "invalid Longitude range [-180..180]: -181.000000",
       -34},
      {"pass rectangle", "missing Latitude1", -53},
      {"pass rectangle 46:00:00", "missing Longitude1", -52},
      {"pass rectangle 46:00:00, -123:00:00", "missing Latitude2", -51},
      {"pass rectangle 46:00:00, -123:00:00, 45:00:00", "missing Longitude2", -50},
      {"pass rectangle 46:00:00#, -123:00:00, 45:00:00, -122:00:00", "missing Longitude1", -41},
      {"pass rectangle 46:00:00, -123:00:00#, 45:00:00, -122:00:00", "missing Latitude2", -44},
      {"pass rectangle 46:00:00, -123:00:00, 45:00:00#, -122:00:00", "missing Longitude2", -47},
      {"pass rectangle 91:00:00, 0:0:0, 0:0:0, 0:0:0",
       "invalid Latitude1 range [-90..90]: 91.000000", -40},
      {"pass rectangle 0:0:0, 181:00:00, 0:0:0, 0:0:0",
       "invalid Longitude1 range [-180..180]: 181.000000", -43},
      {"pass rectangle 0:0:0, 0:0:0, -91:00:00, 0:0:0",
       "invalid Latitude2 range [-90..90]: -91.000000", -46},
      {"pass rectangle 0:0:0, 0:0:0, 0:0:0, -181:00:00",
       "invalid Longitude2 range [-180..180]: -181.000000", -49},
      {"drop sector", "missing Angle1", -69},
      {"drop sector 45:00:00", "missing Angle2", -68},
      {"drop sector 45:00:00, 135:00:00", "missing Inner Range", -67},
      {"drop sector 45:00:00#, 135:00:00, 5", "missing Angle2", -58},
      {"drop sector 45:00:00, 135:00:00#, 5", "missing Inner Range", -61},
      {"drop sector -1:00:00, 0:0:0, 5", "invalid Angle1, range [0..360]: -1.000000", -57},
      {"drop sector 0:0:0, -10:00:00, 5", "invalid Angle2, range [0..360]: -10.000000", -60},
      {"drop sector 45:00:00, 135:00:00, .5 10", "invalid or missing Inner Range", -62},
      {"drop sector 45:00:00, 135:00:00, 50 5",
       "invalid Outer Range, must be > Inner Range: 5.000000", -66},
      {"drop sector 45:00:00, 135:00:00, 5 5",
       "invalid Outer Range, must be > Inner Range: 5.000000", -66},
  };
  for (const auto& c : cases) expect_refused(c);
}

TEST(RulesParser, AngleTheAngleParserRefusesFailsTheRangeCheck) {
  // Without commas the latitude text runs on into the longitude.
  const std::string lat = std::string("invalid Latitude range [-90..90]: ") + FLT_MAX_TEXT;
  const std::string angle = std::string("invalid Angle1, range [0..360]: ") + FLT_MAX_TEXT;
  const refused_case cases[] = {
      {"pass circle 25 45:30:00 -122:15:00", lat.c_str(), -19,
       "\a\aError: Colon format: must have 2 colons: [s][D]DD:MM:SS[.F*]\n"},
      {"drop sector 400:00:00, 0:0:0, 5", angle.c_str(), -57,
       "\a\aError: deg 400.000000 is out of range [-180..180]\n"},
  };
  for (const auto& c : cases) expect_refused(c);
}

TEST(RulesParser, DuplicatesNameTheEarlierLine) {
  const struct {
    const char* text;
    int first, line;
  } cases[] = {
      {"pass digi 1 wide1-1\npass digi 1 WIDE1-1\n", 1, 2},
      {"pass digi 0 WIDE1\n# any place\npass digi * WIDE1\n", 1, 3},
      {"pass destin APRS\npass dst APRS\n", 1, 2},
      {"pass destin X\npass circle 25, 45:30:00, 0:0:0\npass circle 25.0, 45.30., 0:0:0\n", 2, 3},
      {"drop sector 1:0:0, 2:0:0, 5\ndrop sector 1:0:0, 2:0:0, 5 # 50\n", 1, 2},
  };
  for (const auto& c : cases) {
    temp_dir dir;
    std::string path;
    const rules_outcome r = run_rules_text(dir, c.text, &path);
    EXPECT_EQ(r.rc, -71) << c.text;
    EXPECT_EQ(r.out, "\a\aError: " + path + "[" + std::to_string(c.line) +
                         "]: Duplicate Rule on line " + std::to_string(c.first) + "\n")
        << c.text;
  }
}

TEST(RulesParser, AcceptedLinesThatLookAlike) {
  const struct {
    const char* text;
    int rules;
  } cases[] = {
      {"pass destin aprs\npass destin APRS\n", 2},  // letter case kept, so no duplicate
      {"pass destin APRS\ndrop destin APRS\n", 2},  // other action, no duplicate
      {"pass src APRS\npass dst APRS\n", 2},
      {"pass rectangle 1:0:0, 2:0:0, 3:0:0, 4:0:0\npass rectangle 1:0:0, 2:0:0, 3:0:0, 5:0:0\n", 2},
      {"PASS DST APRS\npass de APRS2\npass so X\npass sr Y\npass se 1:0:0, 2:0:0, 1\n", 5},
      {"p ci 25, 45:30:00, 0:0:0\ndr co nw, 45:30:00, 0:0:0\npass r 0:0:0, 0:0:0, 0:0:0, 0:0:0\n",
       3},
      {"pass circle 25, 90:00:00, 180:00:00\npass circle 25, -90:00:00, -180:00:00\n", 2},
      {"drop sector 0:00:00, 360:00:00, 0\n", 1},
      {"pass destin APRS extra words are ignored\n", 1},
      {"pass digi 8 WIDE2-2\npass digi 1 *\npass digi 2 WIDE*\n", 3},
      {"\tpass,destin,APRS\n", 1},
  };
  for (const auto& c : cases) {
    temp_dir dir;
    const rules_outcome r = run_rules_text(dir, c.text);
    EXPECT_EQ(r.rc, 0) << c.text << r.out;
    EXPECT_EQ(conf_rec.rule_count, c.rules) << c.text;
  }
}

TEST(RulesParser, ImplicitLinesTheLastOneDecides) {
  const struct {
    const char* text;
    std::uint16_t action;
    const char* summary;
  } cases[] = {
      {"", IMPLICIT_PASS, "Rules processed 0, implicit 0\n"},
      {"# only\n; comments\n// here\n\n  \n", IMPLICIT_PASS, "Rules processed 0, implicit 0\n"},
      {"implicit drop\n", IMPLICIT_DROP, "Rules processed 0, implicit 1\n"},
      {"drop implicit\n", IMPLICIT_DROP, "Rules processed 0, implicit 1\n"},
      {"drop drop\n", IMPLICIT_DROP, "Rules processed 0, implicit 1\n"},
      {"implicit drop\npass destin A\nimplicit pass\n", IMPLICIT_PASS,
       "Rules processed 1, implicit 2\n"},
      {"implicit implicit\n", IMPLICIT_PASS, "Rules processed 0, implicit 1\n"},
      {"pass drop\n", IMPLICIT_DROP, "Rules processed 0, implicit 1\n"},
      {"drop pass # note\n", IMPLICIT_PASS, "Rules processed 0, implicit 1\n"},
  };
  for (const auto& c : cases) {
    temp_dir dir;
    const rules_outcome r = run_rules_text(dir, c.text);
    EXPECT_EQ(r.rc, 0) << c.text;
    EXPECT_EQ(r.out, c.summary) << c.text;
    EXPECT_EQ(conf_rec.implicit_action, c.action) << c.text;
    EXPECT_EQ(rules_processed, 1) << c.text;
  }
}

TEST(RulesParser, RuleLimitIsThirty) {
  temp_dir dir;
  std::string path;
  rules_outcome r = run_rules_text(dir, numbered_rules(30), &path);
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "Rules processed 30, implicit 0\n");
  EXPECT_EQ(conf_rec.rule_count, 30);
  EXPECT_EQ(rule_table[29].line_no, 30);

  // Once the table is full even an implicit line, or a bad keyword, is refused.
  for (const char* line : {"pass destin C31", "implicit drop", "pass nonsense"}) {
    r = run_rules_text(dir, numbered_rules(30) + line + "\n", &path);
    EXPECT_EQ(r.rc, -6) << line;
    EXPECT_EQ(r.out, line_error(path, 31, "rule limit (30) exceeded", line)) << line;
  }
}

TEST(RulesParser, FailedRunKeepsImplicitActionButNoRules) {
  temp_dir dir;
  std::string path;
  const rules_outcome r = run_rules_text(
      dir, "implicit drop\npass destin A\npass destin B\n# c\npass destin TOOLONG\n", &path);
  EXPECT_EQ(r.rc, -10);
  EXPECT_EQ(conf_rec.implicit_action, IMPLICIT_DROP);
  EXPECT_EQ(conf_rec.rule_count, 0);
  EXPECT_EQ(rules_processed, 0);
}

TEST(RulesParser, FileThatCannotBeReadLeavesOrReplacesState) {
  temp_dir dir;
  ASSERT_EQ(run_rules_text(dir, "implicit drop\npass destin A\n").rc, 0);

  rules_outcome r = run_rules_file(dir.path() + "/missing.rul");
  EXPECT_EQ(r.rc, -2);
  EXPECT_EQ(r.out, "\a\aError: cannot open " + dir.path() + "/missing.rul\n");
  EXPECT_EQ(conf_rec.rule_count, 1);
  EXPECT_EQ(conf_rec.implicit_action, IMPLICIT_DROP);
  EXPECT_EQ(rules_processed, 1);
  EXPECT_EQ(rule_table[0].kind, 53);

  // A directory is no rules file: refused like a missing one.
  r = run_rules_file(dir.path());
  EXPECT_EQ(r.rc, -2);
  EXPECT_EQ(r.out, "\a\aError: cannot open " + dir.path() + "\n");
  EXPECT_EQ(conf_rec.rule_count, 1);
  EXPECT_EQ(rules_processed, 1);

  // A file that opens but fails on its first read: a failure, not an empty
  // rule set.
  r = run_rules_file("/proc/self/mem");
  EXPECT_EQ(r.rc, -73);
  EXPECT_EQ(r.out, "\a\aError: cannot read /proc/self/mem: Input/output error\n");
  EXPECT_EQ(conf_rec.rule_count, 0);
  EXPECT_EQ(rules_processed, 0);

  testing::internal::CaptureStdout();
  EXPECT_EQ(rules_process(nullptr), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "rules_process: Error: param rfp is invalid\n");
}

TEST(RulesParser, LineReadingAndCounting) {
  temp_dir dir;
  std::string path;
  // CR LF line ends; a line of 255 characters owns its line end, a longer
  // one is cut and its rest read as the next line.
  const std::string exact = "# " + std::string(253, 'x');
  const std::string longer = "# " + std::string(253, 'y') + "pass destin TOOLONG";
  const rules_outcome r = run_rules_text(
      dir, "pass destin A\r\n" + exact + "\r\n" + exact + "\n" + longer + "\r\nnever read\n",
      &path);
  EXPECT_EQ(r.rc, -10);
  EXPECT_EQ(r.out, line_error(path, 5, "Destination is too long: TOOLONG", "pass destin TOOLONG"));
}

TEST(RulesParser, DuplicateFoundBeyondLine32767) {
  // line_no is 16 bits on the wire; messages and the duplicate test must
  // not wrap with it.
  temp_dir dir;
  std::string path;
  const std::string text = std::string(32999, '\n') + "pass destin A\n\npass destin A\n";
  const rules_outcome r = run_rules_text(dir, text, &path);
  EXPECT_EQ(r.rc, -71);
  EXPECT_EQ(r.out, "\a\aError: " + path + "[33002]: Duplicate Rule on line 33000\n");
  EXPECT_EQ(rule_table[0].line_no, static_cast<std::int16_t>(33000));
}
