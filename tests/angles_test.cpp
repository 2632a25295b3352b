// The angle parser against known texts, its messages, an independent
// converter, and the "angles" help text.
#include "angles.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "run_program.h"

namespace {

struct parsed {
  float value;
  std::string out;
};

parsed parse(const char* text) {
  testing::internal::CaptureStdout();
  const float v = dmctodeg(text);
  std::fflush(stdout);
  return {v, testing::internal::GetCapturedStdout()};
}

std::string fixed6(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%f", v);
  return buf;
}

struct accepted_case {
  const char* text;
  const char* value;  // as "%f" prints it
};

TEST(Dmctodeg, AcceptsEachNotation) {
  const accepted_case cases[] = {
      // Colon: whole degrees and minutes, real seconds; empty seconds are 0.
      {"45:22:33", "45.375832"},
      {"-38:33:29.222", "-38.558117"},
      {"45:18:", "45.299999"},
      {"-103:00:00", "-103.000000"},
      {"270:00:00", "270.000000"},
      {"0:-30:00", "-0.500000"},
      {"45:22:33\n", "45.375832"},
      // Dotted: the second period is the decimal point of the minutes.
      {"45.22.64", "45.377335"},
      {"-103.00.", "-103.000000"},
      {"-38.33.379", "-38.556316"},
      // DMC: identifiers after numbers, blanks before them, directions anywhere.
      {"N 39d 23.7m 33.9c", "39.404415"},
      {"39d23.7m33.9C", "39.404415"},
      {"39.404415D", "39.404415"},
      {"n39.395d 33.9c", "39.404419"},
      {"-42.5d", "-42.500000"},
      {"S12d30m", "-12.500000"},
      {"W75d30m", "-75.500000"},
      {"45d30mN", "45.500000"},
      {"12N30M", "0.500000"},  // the direction letter drops the pending "12"
      {"30m 45d", "45.500000"},
      {"N45dE", "45.000000"},  // two letters of the same side
      {"39d23.7m\n", "39.395000"},
      {"360d", "360.000000"},
      {"-360:00:00", "-360.000000"},
      {"-0:00:00", "0.000000"},
  };
  for (const auto& c : cases) {
    const parsed r = parse(c.text);
    EXPECT_EQ(fixed6(r.value), c.value) << "text [" << c.text << "]";
    EXPECT_EQ(r.out, "") << "text [" << c.text << "]";
  }
}

// A minus sign on any one part, or S or W, makes the whole angle negative,
// as the help text teaches, also where the degree part is zero or the sign
// stands on a later part.
TEST(Dmctodeg, SignAppliesToTheWholeAngle) {
  const accepted_case cases[] = {
      {"-0:30:00", "-0.500000"}, {"0d30mS", "-0.500000"},     {"S30m", "-0.500000"},
      {"39d-30m", "-39.500000"}, {"39:-30:00", "-39.500000"}, {"10d 0m -36c", "-10.010000"},
      {"-30m", "-0.500000"},     {"W0d0m36c", "-0.010000"},   {"-0.30.", "-0.500000"},
  };
  for (const auto& c : cases) {
    const parsed r = parse(c.text);
    EXPECT_EQ(fixed6(r.value), c.value) << "text [" << c.text << "]";
    EXPECT_EQ(r.out, "") << "text [" << c.text << "]";
  }
}

struct refused_case {
  const char* text;
  const char* message;
};

TEST(Dmctodeg, RefusesWithTheFirstFault) {
  const refused_case cases[] = {
      {"", "dmctodeg: Error: invalid param inp\n"},
      {"--45d", "\a\aError: too man minus signs: 2: only one is allowed\n"},
      {"-1:-2:-3", "\a\aError: too man minus signs: 3: only one is allowed\n"},
      {"45", "\a\aError: Unrecognized format: must be one of Dotted, Colon or DMC\n"},
      {"45.5",
       "\a\aError: Dotted format: must have 2 periods: [s][D]DD.MM.[F*]\n"
       "\tor DMC format must have at least one of [DdMmCc] identifiers\n"},
      {"45:30", "\a\aError: Colon format: must have 2 colons: [s][D]DD:MM:SS[.F*]\n"},
      {"45:30:00:00", "\a\aError: Colon format: must have 2 colons: [s][D]DD:MM:SS[.F*]\n"},
      {"45:30:00.5.5", "\a\aError: Colon format: too many periods: [s][D]DD:MM:SS[.F*]\n"},
      {"45:30:00N", "\a\aError: Colon format: has alpha characters: [s][D]DD:MM:SS[.F*]\n"},
      {"N45",
       "\a\aError: DMC format must have at least one of [DdMmCc] identifiers\n"
       "\tor Dotted format: found illegal character: [s][D]DD.MM.[F*]\n"},
      {"-N45d", "\a\aError: DMC format: both minus (-) and direction char N cannot be specified\n"},
      {"45d-30mW",
       "\a\aError: DMC format: both minus (-) and direction char W cannot be specified\n"},
      {"N45dS", "\a\aError: DMC format: both direction chars N and S cannot be specified\n"},
      {"w45de", "\a\aError: DMC format: both direction chars e and w cannot be specified\n"},
      {"45d30m15", "\a\aInternal Error: pointer mismatch\n"},
      {"45d30m ", "\a\aInternal Error: pointer mismatch\n"},
      {"45d30\n", "\a\aInternal Error: pointer mismatch\n"},
      {"45:30\n:00", "\a\aInternal Error: pointer mismatch\n"},
      {"45d45d", "\a\aError: DMC format: already have degrees (45.000000)\n"},
      {"1m2m", "\a\aError: DMC format: already have minutes (1.000000)\n"},
      {"1.5c2c", "\a\aError: DMC format: already have seconds (1.500000)\n"},
      {"45d,30m", "\a\aError: DMC format: invalid char: , (0x2c)\n"},
      {"45d\r", "\a\aError: DMC format: invalid char: \r (0x0d)\n"},
      {"45d\xe9", "\a\aError: DMC format: invalid char: \xe9 (0xe9)\n"},
      {"45:60:00", "\a\aError: min 60.000000 is out of range [0..59.99]\n"},
      {"45:30:60", "\a\aError: sec 60.000000 is out of range [0..59.99]\n"},
      {"45:60:60", "\a\aError: sec 60.000000 is out of range [0..59.99]\n"},
      {"45d-60m", "\a\aError: min -60.000000 is out of range [0..59.99]\n"},
      {"360d1m", "\a\aError: deg 360.016663 is out of range [-180..180]\n"},
      {"400:00:00", "\a\aError: deg 400.000000 is out of range [-180..180]\n"},
      {"-361d", "\a\aError: deg -361.000000 is out of range [-180..180]\n"},
      {"1e999d", "\a\aError: deg 999.000000 is out of range [-180..180]\n"},  // e is East
  };
  for (const auto& c : cases) {
    const parsed r = parse(c.text);
    EXPECT_EQ(r.value, ANGLE_FAIL) << "text [" << c.text << "]";
    EXPECT_EQ(r.out, c.message) << "text [" << c.text << "]";
  }
  const parsed null_text = parse(nullptr);
  EXPECT_EQ(null_text.value, ANGLE_FAIL);
  EXPECT_EQ(null_text.out, "dmctodeg: Error: invalid param inp\n");
}

// Number texts far longer than any real angle: read in full, never copied
// into a fixed buffer; values too large for a float are refused by range.
TEST(Dmctodeg, LongNumberTexts) {
  const std::string blanks(40, ' ');
  EXPECT_EQ(fixed6(parse(("N" + blanks + "45d").c_str()).value), "45.000000");
  EXPECT_EQ(fixed6(parse(("S" + blanks + "45.25d 30m").c_str()).value), "-45.750000");
  EXPECT_EQ(fixed6(parse((std::string(60, '0') + "45.5d").c_str()).value), "45.500000");

  const std::string huge = "1" + std::string(400, '0');
  parsed r = parse((huge + "d").c_str());
  EXPECT_EQ(r.value, ANGLE_FAIL);
  EXPECT_EQ(r.out, "\a\aError: deg inf is out of range [-180..180]\n");
  r = parse(("0:" + huge + ":00").c_str());
  EXPECT_EQ(r.value, ANGLE_FAIL);
  EXPECT_EQ(r.out.rfind("\a\aError: min ", 0), 0u) << r.out;
  r = parse(("0:0:" + huge).c_str());
  EXPECT_EQ(r.out, "\a\aError: sec inf is out of range [0..59.99]\n");
}

// GeographicLib's GeoConvert reads the same angles written with its own
// marks (as a latitude or a longitude, so within its ranges); both must agree
// to 1e-5 degrees.
TEST(Dmctodeg, AgreesWithGeoConvert) {
  const char* tool = "/usr/bin/GeoConvert";
  if (access(tool, X_OK) != 0)
    GTEST_SKIP() << tool << " is missing: install the Debian package geographiclib-tools "
                 << "(scripts/install-deps.sh does) to run this cross-check";
  struct pair {
    const char* ours;
    const char* theirs;  // one "latitude longitude" line
    int column;          // 0: compare the latitude, 1: the longitude
  };
  const pair cases[] = {
      {"45:22:33", "45:22:33 0", 0},     {"-38:33:29.222", "-38:33:29.222 0", 0},
      {"-103:00:00", "0 -103:00:00", 1}, {"0:59:59.99", "0:59:59.99 0", 0},
      {"-0:30:00", "-0:30:00 0", 0},     {"179:59:59.9", "0 179:59:59.9", 1},
      {"45.22.64", "45d22.64' 0", 0},    {"-38.33.379", "-38d33.379' 0", 0},
      {"-103.00.", "0 -103d00'", 1},     {"N 39d 23m 33.9c", "39d23'33.9\"N 0", 0},
      {"39d23.7m", "39d23.7' 0", 0},     {"39.404415D", "39.404415 0", 0},
      {"-42.5d", "-42.5d 0", 0},         {"S12d30m", "12d30'S 0", 0},
      {"W75d30m", "75d30'W 0", 1},       {"E179d59m59.9c", "179d59'59.9\"E 0", 1},
      {"17.25m", "17.25' 0", 0},         {"0d30mS", "0d30'S 0", 0},
      {"w0d0m36c", "0d0'36\"W 0", 1},
  };
  std::string input;
  for (const auto& c : cases) input += std::string(c.theirs) + "\n";
  const program_result res = run_program({tool, "-g", "-p", "6"}, input);
  ASSERT_EQ(res.status, 0) << res.out << res.err;

  std::size_t pos = 0;
  for (const auto& c : cases) {
    const std::size_t end = res.out.find('\n', pos);
    ASSERT_NE(end, std::string::npos) << "GeoConvert gave no line for " << c.theirs;
    const std::string line = res.out.substr(pos, end - pos);
    pos = end + 1;
    double lat = 0, lon = 0;
    ASSERT_EQ(std::sscanf(line.c_str(), "%lf %lf", &lat, &lon), 2) << c.theirs << ": " << line;
    const parsed ours = parse(c.ours);
    EXPECT_NEAR(ours.value, c.column == 0 ? lat : lon, 1e-5) << c.ours << " vs " << c.theirs;
  }
}

TEST(AnglesHelp, QuotedLinesInOrder) {
  const std::string text = angles_help_text;
  const char* lines[] = {
      "Colon, Dotted and DMC formats for Angles, Latitudes and Longitudes\n\nColon format\n\n",
      "\n\n\t [s]DD:MM:SS[.F*]\t\tfor Latitudes\n\t[s]DDD:MM:SS[.F*]\t\tfor Longitudes\n\nWhere:\n",
      "\n\tDD\t\t",
      "\n\tDDD\t\t",
      "\n\tMM\t\t",
      "\n\tSS\t\t",
      "\n\t.F*\t\t",
      "\n\nExamples:\n\n\t45:22:33\t-103:00:00\t-38:33:29.222\t45:18:\n\n\nDotted format\n\n",
      "\n\n\t [s]DD.MM.[F*]\t\tfor Latitudes\n\t[s]DDD.MM.[F*]\t\tfor Longitudes\n\nWhere:\n",
      "\n\tF*\t\t",
      "\n\nExamples:\n\n\t45.22.64\t-103.00.\t-38.33.379\n\n\nDMC format\n\n",
      "\n\tD, d\tDegrees\n\tM, m\tMinutes\n\tC, c\tseConds\n",
      "\n\tN, n\tNorth\n\tS, s\tSouth\n\tE, e\tEast\n\tW, w\tWest\n",
      "\nExamples:\n\n"
      "\tN 39d 23.7m 33.9c\t# a North latitude\n"
      "\t39d23.7m33.9C\t\t# the same thing\n"
      "\t39.404415D\t\t# the same thing (approx.)\n"
      "\tn39.395d 33.9c\t\t# the same thing (approx.)\n"
      "\t-42.5d\t\t\t# South latitude or West longitude\n",
  };
  std::size_t pos = 0;
  for (const char* line : lines) {
    const std::size_t at = text.find(line, pos);
    ASSERT_NE(at, std::string::npos) << "missing or out of order: [" << line << "]";
    pos = at + std::strlen(line);
  }
  EXPECT_EQ(pos, text.size()) << "text after the last example";
  EXPECT_EQ(text.rfind("Colon, Dotted", 0), 0u);

  // Legend lines: tab, item, two tabs; continuations three tabs. No line runs
  // past 79 columns with tabs at 8.
  std::size_t start = 0;
  while (start < text.size()) {
    const std::size_t end = text.find('\n', start);
    const std::string line = text.substr(start, end - start);
    int col = 0;
    for (char ch : line) col = ch == '\t' ? (col / 8 + 1) * 8 : col + 1;
    EXPECT_LE(col, 79) << "[" << line << "]";
    start = end + 1;
  }
}

TEST(AnglesHelp, PrintedByTheCommand) {
  const program_result r = run_host("angles\nexit\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_NE(r.out.find(std::string(angles_help_text) + "\n"), std::string::npos) << r.out;
}

}  // namespace
