// The configuration file parser: each keyword's checks and stored value, the
// comment rule, the reading of awkward files, and what a run keeps or resets.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "angles.h"
#include "conf_rec.h"
#include "path_edit.h"
#include "run_program.h"

namespace {

struct outcome {
  int rc;
  std::string out;
};

outcome configure(const std::string& path) {
  std::fflush(stdout);
  testing::internal::CaptureStdout();
  const int rc = conf_process(path.c_str());
  std::fflush(stdout);
  return {rc, testing::internal::GetCapturedStdout()};
}

// Every "%F" in the pattern becomes the file name.
std::string expand(const std::string& pattern, const std::string& file) {
  std::string s = pattern;
  for (std::size_t at = s.find("%F"); at != std::string::npos; at = s.find("%F", at + file.size()))
    s.replace(at, 2, file);
  return s;
}

class ConfProcess : public testing::Test {
 protected:
  void SetUp() override { conf_load_defaults(); }
  outcome run(const std::string& contents) { return configure(dir.write("t.cfg", contents)); }
  std::string file() const { return dir.path() + "/t.cfg"; }
  temp_dir dir;
};

const std::string done1 = "Configuration items processed 1\n";

struct stored_case {
  const char* lines;
  std::function<long()> field;
  long value;
};

TEST_F(ConfProcess, StoresEachKeyword) {
  const stored_case cases[] = {
      {"host 9600 # main port", [] { return long{conf_rec.host_baud}; }, 9600},
      {"gps 4800", [] { return long{conf_rec.gps_baud}; }, 4800},
      {"tnc,57600", [] { return long{conf_rec.tnc_baud}; }, 57600},
      {"HO 115200", [] { return long{conf_rec.host_baud}; }, 115200},
      {"ssid 0x0F", [] { return long{conf_rec.ssid}; }, 15},
      {"ssid 010", [] { return long{conf_rec.ssid}; }, 8},
      {"ssid 7;x", [] { return long{conf_rec.ssid}; }, 7},
      {"altitude 328f", [] { return long{conf_rec.altitude}; }, 100},
      {"altitude -100F", [] { return long{conf_rec.altitude}; }, -30},
      {"altitude 328 f", [] { return long{conf_rec.altitude}; }, 328},
      {"altitude 0x10", [] { return long{conf_rec.altitude}; }, 16},
      {"altitude -12", [] { return long{conf_rec.altitude}; }, -12},
      {"altitude high", [] { return long{conf_rec.altitude}; }, 0},
      {"havegps y", [] { return long{conf_rec.have_gps}; }, 1},
      {"havegps p", [] { return long{conf_rec.have_gps}; }, 0},
      {"log n", [] { return long{conf_rec.log_port}; }, 0},
      {"dropmangled 0", [] { return long{conf_rec.drop_mangled}; }, 0},
      {"haltonerr True", [] { return long{conf_rec.halt_on_error}; }, 1},
      {"fixvalid f", [] { return long{conf_rec.fix_valid}; }, 0},
      {"nsr enable", [] { return long{conf_rec.nsr}; }, 1},
      {"relaydrop on", [] { return long{conf_rec.relay_drop}; }, 0},
      {"relaydrop 1", [] { return long{conf_rec.relay_drop}; }, 1},
      {"nonaprs Pass", [] { return long{conf_rec.nonaprs}; }, 1},
      {"widemax 6", [] { return long{conf_rec.wide_max}; }, 6},
      {"widemax 2\nwidetotal 2", [] { return long{conf_rec.wide_total}; }, 2},
      {"widetotal 5", [] { return long{conf_rec.wide_total}; }, 5},
      {"dupewin 5", [] { return long{conf_rec.dupe_window}; }, 5},
      {"dupewin 500", [] { return long{conf_rec.dupe_window}; }, 500},
      {"ratelimcall 65535", [] { return long{conf_rec.call_rate_limit}; }, 65535},
      {"beacon 0", [] { return long{conf_rec.beacon_interval}; }, 0},
      {"beacon 10", [] { return long{conf_rec.beacon_interval}; }, 10},
      {"beacon 0x258", [] { return long{conf_rec.beacon_interval}; }, 600},
      {"icon /#", [] { return long{conf_rec.icon}; }, 0x2F23},
      {"icon \\&", [] { return long{conf_rec.icon}; }, 0x5C26},
      {"icon 9;xyz", [] { return long{conf_rec.icon}; }, 0x393B},
      {"uitrace", [] { return long{conf_rec.uitrace}; }, 65535},
      {"uitrace\nuitrace", [] { return long{conf_rec.uitrace}; }, 0},
      {"# a comment\n\n  \t\n,,\n/ x\n; y\nlog n\n", [] { return long{conf_rec.log_port}; }, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    conf_load_defaults();
    const outcome r = run(c.lines);
    EXPECT_EQ(r.rc, 0) << r.out;
    EXPECT_EQ(r.out.rfind("Configuration items processed ", 0), 0u) << r.out;
    EXPECT_EQ(c.field(), c.value);
  }
}

TEST_F(ConfProcess, StoresTexts) {
  ASSERT_EQ(run("call n0abc").rc, 0);
  EXPECT_EQ(std::memcmp(conf_rec.station_call, "N0ABC\0\0", 8), 0);
  // Only the text and its terminator are written over the field.
  ASSERT_EQ(run("call ab").rc, 0);
  EXPECT_EQ(std::memcmp(conf_rec.station_call, "AB\0SET\0", 8), 0);

  ASSERT_EQ(run("controlcall n0call-15").rc, 0);
  EXPECT_STREQ(conf_rec.control_call, "N0CALL-15");

  ASSERT_EQ(run("bcomment Hello World, 73").rc, 0);
  EXPECT_STREQ(conf_rec.beacon_comment, "Hello World, 73");
  ASSERT_EQ(run("bcomment Hello/World").rc, 0);
  EXPECT_STREQ(conf_rec.beacon_comment, "Hello");
  // The text begins right after the one blank that ends the keyword.
  ASSERT_EQ(run("bcomment   two blanks\tgone").rc, 0);
  EXPECT_STREQ(conf_rec.beacon_comment, "  two blanks");
  ASSERT_EQ(run("bcomment " + std::string(60, 'x')).rc, 0);
  EXPECT_EQ(std::string(conf_rec.beacon_comment), std::string(43, 'x'));
  EXPECT_EQ(conf_rec.beacon_comment[43], '\0');

  ASSERT_EQ(run("digipath wide1-1, wide2-1").rc, 0);
  EXPECT_EQ(digi_path_count, 2);
  EXPECT_EQ(std::memcmp(conf_rec.digi_path[0], "WIDE1-1\0WIDE2-1\0", 16), 0);
  EXPECT_EQ(conf_rec.digi_path[2][0], '\0');

  ASSERT_EQ(run("digipath a1,b2 c3,,d4 , e5,f6,g7,h8,i9,j10").rc, 0);
  EXPECT_EQ(digi_path_count, 8);
  EXPECT_EQ(std::string(conf_rec.digi_path[7], 2), "H8");

  // An 8-character entry fills its slot, with no terminator.
  ASSERT_EQ(run("digipath relay,abcdefgh,wide").rc, 0);
  EXPECT_EQ(std::memcmp(conf_rec.digi_path[1], "ABCDEFGHWIDE\0", 13), 0);

  ASSERT_EQ(run("digipath ,, ,").rc, 0);
  EXPECT_EQ(digi_path_count, 0);
}

TEST_F(ConfProcess, StoresPositions) {
  struct {
    const char* line;
    const char* lat;
    const char* lon;
  } cases[] = {
      {"position 45:22:33 -103:00:00", "45.375832", "-103.000000"},
      {"POS 39d23.7m33.9c,W75d30m", "39.404415", "-75.500000"},
      {"base\t45.22.64\t-38.33.379", "45.377335", "-38.556316"},
      {"lat 45:18:", "45.299999", "0.000000"},
      {"lon -103:00:00 # x", "0.000000", "-103.000000"},
      {"lat S12d30m", "-12.500000", "0.000000"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    conf_load_defaults();
    const outcome r = run(c.line);
    EXPECT_EQ(r.rc, 0);
    EXPECT_EQ(r.out, done1);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(conf_rec.base_lat));
    EXPECT_STREQ(buf, c.lat);
    std::snprintf(buf, sizeof buf, "%f", static_cast<double>(conf_rec.base_lon));
    EXPECT_STREQ(buf, c.lon);
  }
}

struct refused_case {
  const char* lines;
  int rc;
  const char* out;  // "%F" stands for the file name
};

TEST_F(ConfProcess, RefusesWithMessageAndCode) {
  const refused_case cases[] = {
      // Keywords: prefixes naming none or several.
      {"lo 10", -7, "\a\aError: %F[1]: Ambiguous command: lo: lo 10\n"},
      {"b 5", -7, "\a\aError: %F[1]: Ambiguous command: b: b 5\n"},
      {"widemaximum 3", -7, "\a\aError: %F[1]: command widemaximum invalid: widemaximum 3\n"},
      {"\n# c\nxyz", -7, "\a\aError: %F[3]: command xyz invalid: xyz\n"},
      // Missing arguments, and arguments only inside the comment.
      {"host", -11, "\a\aError: %F[1]: missing Baud argument: host\n"},
      {"host # 9600", -8, "\a\aError: %F[1]: missing Baud argument: host # 9600\n"},
      {"call ;N0CALL", -8, "\a\aError: %F[1]: missing Call Sign argument: call ;N0CALL\n"},
      {"ssid", -11, "\a\aError: %F[1]: missing SSID argument: ssid\n"},
      {"altitude /3", -8, "\a\aError: %F[1]: missing Altitude argument: altitude /3\n"},
      {"havegps", -11, "\a\aError: %F[1]: missing y | n argument: havegps\n"},
      {"nonaprs #y", -8, "\a\aError: %F[1]: missing y | n argument: nonaprs #y\n"},
      {"widemax", -11, "\a\aError: %F[1]: missing n argument: widemax\n"},
      {"dupewin", -11, "\a\aError: %F[1]: missing seconds argument: dupewin\n"},
      {"beacon ; 600", -8, "\a\aError: %F[1]: missing seconds argument: beacon ; 600\n"},
      {"digipath", -11, "\a\aError: %F[1]: missing Digi Path argument: digipath\n"},
      {"digipath #wide1-1", -8,
       "\a\aError: %F[1]: missing Digi Path argument: digipath #wide1-1\n"},
      {"bcomment", -11, "\a\aError: %F[1]: missing Beacon Comment argument: bcomment\n"},
      {"controlcall", -11, "\a\aError: %F[1]: missing Control Call-SSID argument: controlcall\n"},
      {"lat", -11, "\a\aError: %F[1]: missing Station Latitude argument: lat\n"},
      {"position", -11, "\a\aError: %F[1]: missing Station Latitude argument: position\n"},
      {"position 45:00:00", -11,
       "\a\aError: %F[1]: missing Station Longitude argument: position 45:00:00\n"},
      {"position 45:00:00 # 9:00:00", -8,
       "\a\aError: %F[1]: missing Station Longitude argument: position 45:00:00 # 9:00:00\n"},
      // Values out of range or malformed.
      {"host 100", -11, "\a\aError: %F[1]: invalid Baud argument: 100: host 100\n"},
      {"host fast", -11,
       "get_baud: Error: invalid baud: 0\n"
       "\a\aError: %F[1]: invalid Baud argument: 0: host fast\n"},
      {"call N0CALL-1", -11,
       "\a\aError: %F[1]: invalid Call Sign argument: too long: call N0CALL-1\n"},
      {"ssid 16", -11, "\a\aError: %F[1]: invalid SSID argument range [0..15]: 16: ssid 16\n"},
      {"ssid -1", -11, "\a\aError: %F[1]: invalid SSID argument range [0..15]: -1: ssid -1\n"},
      {"ssid x", -11, "\a\aError: %F[1]: invalid SSID argument range [0..15]: 0: ssid x\n"},
      {"widemax 0", -11, "\a\aError: %F[1]: invalid n argument range [1..6]: 0: widemax 0\n"},
      {"widemax 7", -11, "\a\aError: %F[1]: invalid n argument range [1..6]: 7: widemax 7\n"},
      {"widetotal 2", -11,
       "\a\aError: %F[1]: invalid n argument 2 must be >= WIDEMAX: 3: widetotal 2\n"},
      {"widetotal 4\nwidemax 5", -11,
       "\a\aError: %F[2]: invalid n argument 5 must be <= WIDETOTAL: 4: widemax 5\n"},
      {"dupewin 4", -11,
       "\a\aError: %F[1]: invalid seconds argument range [5..500]: 4: dupewin 4\n"},
      {"dupewin 501", -11,
       "\a\aError: %F[1]: invalid seconds argument range [5..500]: 501: dupewin 501\n"},
      {"ratelimcall 65536", -11,
       "\a\aError: %F[1]: invalid seconds argument range [0..65535]: 65536: ratelimcall 65536\n"},
      {"ratelimcall -1", -11,
       "\a\aError: %F[1]: invalid seconds argument range [0..65535]: -1: ratelimcall -1\n"},
      {"beacon 5", -11,
       "\a\aError: %F[1]: invalid seconds argument range [0, 10..65535]: 5: beacon 5\n"},
      {"beacon 0x10000", -11,
       "\a\aError: %F[1]: invalid seconds argument range [0, 10..65535]: 65536: beacon 0x10000\n"},
      {"digipath wide1-1,wide2-2abc", -11,
       "\a\aError: %F[1]: Digi Path[2]: wide2-2abc exceeds length 8: digipath "
       "wide1-1,wide2-2abc\n"},
      {"controlcall n0call-150", -11,
       "\a\aError: %F[1]: invalid Control Call-SSID argument: too long (max is 9): "
       "controlcall n0call-150\n"},
      {"icon", -8, "\a\aError: %F[1]: missing Beacon Icon argument: icon\n"},
      {"icon /", -8, "\a\aError: %F[1]: Icon Code must be in range [!..~]: icon /\n"},
      {"icon k#", -8,
       "\a\aError: %F[1]: Icon Symbol ID must be one of / \\ 0..9 a..j A..Z: icon k#\n"},
      {"icon ,#", -8,
       "\a\aError: %F[1]: Icon Symbol ID must be one of / \\ 0..9 a..j A..Z: icon ,#\n"},
      {"lon abc", -11,
       "\a\aError: DMC format: invalid char: a (0x61)\n"
       "\a\aError: %F[1]: invalid Station Longitude argument: abc: lon abc\n"},
      {"position 95 10:00:00", -11,
       "\a\aError: Unrecognized format: must be one of Dotted, Colon or DMC\n"
       "\a\aError: %F[1]: invalid Station Latitude argument: 95: position 95 10:00:00\n"},
      {"position 0:0:0 400d", -11,
       "\a\aError: deg 400.000000 is out of range [-180..180]\n"
       "\a\aError: %F[1]: invalid Station Longitude argument: 400d: position 0:0:0 400d\n"},
      // Path edit failures come back as -11 after their own message.
      {"deletepath * *", -11,
       "\a\aError: %F[1]: argument(s) missing: Delete Index\ndeletepath * *\n"},
      {"substitutepath", -11,
       "\a\aError: %F[1]: argument(s) missing: Match Index\nsubstitutepath\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.lines);
    conf_load_defaults();
    const int before = conf_processed;
    const outcome r = run(c.lines);
    EXPECT_EQ(r.rc, c.rc);
    EXPECT_EQ(r.out, expand(c.out, file()));
    EXPECT_EQ(conf_processed, before);
  }
}

// A run stops at its first faulty line: earlier lines stay stored, later ones
// are never read, and a position line may have kept its latitude.
TEST_F(ConfProcess, StopsAtFirstFault) {
  const outcome r = run("host 4800\nposition 10:00:00 xyz\nhost 9600\n");
  EXPECT_EQ(r.rc, -11);
  EXPECT_EQ(conf_rec.host_baud, 4800u);
  EXPECT_FLOAT_EQ(conf_rec.base_lat, 10.0f);
  EXPECT_EQ(conf_rec.base_lon, conf_default.base_lon);

  // A failing digi path keeps what it stored before the faulty entry, and
  // the count follows the table.
  ASSERT_EQ(run("digipath a,b,c").rc, 0);
  EXPECT_EQ(run("digipath x,toolongtext,z").rc, -11);
  EXPECT_EQ(std::string(conf_rec.digi_path[0]), "X");
  EXPECT_EQ(conf_rec.digi_path[1][0], '\0');
  EXPECT_EQ(digi_path_count, 1);
}

TEST_F(ConfProcess, EachRunStartsFromDefaultsKeepingRuleFields) {
  ASSERT_EQ(run("host 4800\ndigipath wide1-1\nsubstitutepath * * 1 relay\ndeletepath 1 x 2\n").rc,
            0);
  EXPECT_EQ(digi_path_count, 1);
  conf_rec.rule_count = 7;
  conf_rec.implicit_action = IMPLICIT_DROP;
  ASSERT_EQ(run("log n\n").rc, 0);
  EXPECT_EQ(conf_rec.host_baud, 19200u);
  EXPECT_EQ(digi_path_count, 0);
  EXPECT_EQ(conf_rec.subst_count + conf_rec.delete_count, 0);
  EXPECT_EQ(conf_rec.rule_count, 7);
  EXPECT_EQ(conf_rec.implicit_action, IMPLICIT_DROP);

  // Any implicit action other than drop, including "not yet set", becomes pass.
  for (std::uint16_t before : {std::uint16_t{0}, IMPLICIT_PASS, std::uint16_t{55}}) {
    conf_rec.implicit_action = before;
    ASSERT_EQ(run("log n\n").rc, 0);
    EXPECT_EQ(conf_rec.implicit_action, IMPLICIT_PASS);
  }
}

TEST_F(ConfProcess, CountsItemsNotComments) {
  const outcome r =
      run("# station\n"
          "call n0call ; me\n"
          "\n"
          "uitrace\n"
          "  ,\t\n"
          "substitutepath * wide1-1 1 n0call*\n"
          "deletepath * * 3\n");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(r.out, "Configuration items processed 4\n");
  EXPECT_EQ(conf_processed, 1);
}

// Files that cannot be read leave the record as it was, path edits included.
TEST_F(ConfProcess, FileThatCannotBeOpened) {
  ASSERT_EQ(run("host 4800\nsubstitutepath * * 1 relay\n").rc, 0);
  std::uint8_t before[CONF_REC_SIZE], after[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, before);

  std::vector<std::string> names = {dir.path() + "/missing.cfg", dir.path()};
  std::string locked;
  if (geteuid() != 0) {  // root reads any file
    locked = dir.write("locked.cfg", "host 9600\n");
    chmod(locked.c_str(), 0);
    names.push_back(locked);
  }
  for (const std::string& name : names) {
    SCOPED_TRACE(name);
    const outcome r = configure(name);
    EXPECT_EQ(r.rc, -2);
    EXPECT_EQ(r.out, "\a\aError: cannot open " + name + "\n");
    conf_rec_to_wire(conf_rec, after);
    EXPECT_EQ(std::memcmp(before, after, CONF_REC_SIZE), 0);
  }

  testing::internal::CaptureStdout();
  EXPECT_EQ(conf_process(nullptr), -1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "conf_process: Error: param conf_fp is invalid\n");
}

// A read that fails part-way is an error, never a processed file.
TEST_F(ConfProcess, ReadErrorIsNoSuccess) {
  const char* path = "/proc/self/mem";  // opens, but reading offset 0 fails
  std::FILE* probe = std::fopen(path, "r");
  if (probe == nullptr) GTEST_SKIP() << path << " cannot be opened here";
  std::fclose(probe);
  conf_processed = 0;
  const outcome r = configure(path);
  EXPECT_EQ(r.rc, -11);
  EXPECT_EQ(r.out.rfind(std::string("\a\aError: ") + path + "[0]: cannot read the file: ", 0), 0u)
      << r.out;
  EXPECT_EQ(conf_processed, 0);
}

TEST_F(ConfProcess, AwkwardLineEnds) {
  // CR LF ends a line like LF; the line copy in messages has no CR.
  outcome r = run("log n\r\nhost 100\r\n");
  EXPECT_EQ(r.rc, -11);
  EXPECT_EQ(r.out, expand("\a\aError: %F[2]: invalid Baud argument: 100: host 100\n", file()));

  // A last line without a line feed is read.
  r = run("log n\nhost 4800");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(conf_rec.host_baud, 4800u);

  // A lone CR stays in the line.
  r = run("log n\r");
  EXPECT_EQ(r.rc, 0);
  EXPECT_EQ(conf_rec.log_port, 0);
}

// A physical line of more than 255 characters is read as several lines, each
// counted; CR LF counts as one character there, as it reads as one.
TEST_F(ConfProcess, LongLinesReadInPieces) {
  outcome r = run("bcomment " + std::string(246 + 45, 'x') + "\n");
  EXPECT_EQ(r.rc, -7);
  const std::string tail(45, 'x');
  EXPECT_EQ(r.out,
            expand("\a\aError: %F[2]: command " + tail + " invalid: " + tail + "\n", file()));
  EXPECT_EQ(std::string(conf_rec.beacon_comment), std::string(43, 'x'));

  // 255 characters then LF: the LF alone is the next (blank) line.
  r = run("#" + std::string(254, 'c') + "\nbad\n");
  EXPECT_EQ(r.out, expand("\a\aError: %F[3]: command bad invalid: bad\n", file()));
  // 254 characters then CR LF fit in one read.
  r = run("#" + std::string(253, 'c') + "\r\nbad\r\n");
  EXPECT_EQ(r.out, expand("\a\aError: %F[2]: command bad invalid: bad\n", file()));
}

TEST_F(ConfProcess, BinaryContent) {
  outcome r = run(std::string("log n\nhost 9600\0garbage\n", 24));
  EXPECT_EQ(r.rc, -11);
  EXPECT_EQ(r.out, expand("\a\aError: %F[2]: NUL character in line: host 9600\n", file()));

  r = run(std::string("\0\0\0\0", 4));
  EXPECT_EQ(r.rc, -11);
  EXPECT_EQ(r.out, expand("\a\aError: %F[1]: NUL character in line: \n", file()));

  // Bytes of every value, NUL-free, in lines of every length: refused, no crash.
  std::string noise;
  for (int i = 0; i < 4000; ++i) noise += static_cast<char>(1 + (i * 97 + i / 7) % 255);
  r = run(noise);
  EXPECT_LT(r.rc, 0);
  EXPECT_EQ(r.out.rfind("\a\aError: ", 0), 0u) << r.out;
}

// The line count does not wrap on long files.
TEST_F(ConfProcess, LineNumbersBeyond16Bits) {
  const outcome r = run(std::string(40000, '\n') + "bad\n");
  EXPECT_EQ(r.out, expand("\a\aError: %F[40001]: command bad invalid: bad\n", file()));
}

TEST(ConfExample, EveryKeywordPasses) {
  const std::string path = std::string(EXAMPLES_DIR) + "/station.cfg";
  conf_load_defaults();
  const outcome r = configure(path);
  ASSERT_EQ(r.rc, 0) << r.out;

  // Every keyword is the first word of some line.
  std::FILE* f = std::fopen(path.c_str(), "r");
  ASSERT_NE(f, nullptr);
  std::string firsts = " ";
  char line[512];
  while (std::fgets(line, sizeof line, f) != nullptr) {
    char word[64];
    if (std::sscanf(line, "%63s", word) == 1 && word[0] != '#') firsts += std::string(word) + " ";
  }
  std::fclose(f);
  for (const char* k : {"call",        "ssid",        "position",       "base",       "lat",
                        "lon",         "altitude",    "havegps",        "log",        "dropmangled",
                        "haltonerr",   "fixvalid",    "host",           "tnc",        "gps",
                        "nsr",         "relaydrop",   "widemax",        "widetotal",  "dupewin",
                        "ratelimcall", "nonaprs",     "digipath",       "beacon",     "icon",
                        "bcomment",    "controlcall", "substitutepath", "deletepath", "uitrace"})
    EXPECT_NE(firsts.find(std::string(" ") + k + " "), std::string::npos) << k;
}

}  // namespace
