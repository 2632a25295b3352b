// "configure", "dconfigure" and "deditpath" through the program itself.
#include <gtest/gtest.h>

#include <string>

#include "run_program.h"

namespace {

const char station[] =
    "# test station\n"
    "call k1abc\r\n"
    "ssid 9\n"
    "position 45:22:33 -103:00:00\n"
    "altitude 328f\n"
    "host 9600\n"
    "widemax 2\n"
    "widetotal 2\n"
    "dupewin 30\n"
    "beacon 1200\n"
    "icon \\&\n"
    "bcomment Hello World, 73\n"
    "controlcall k1abc-15\n"
    "nsr y\n"
    "uitrace\n"
    "digipath wide1-1, wide2-1\n"
    "substitutepath * wide1-1 1 n0call*,wide1*\n"
    "deletepath 2 relay-3 *\n";

TEST(ConfigureCommand, ConfigureThenDisplays) {
  temp_dir dir;
  const std::string path = dir.write("station.cfg", station);
  const program_result r = run_host("configure " + path + "\ndconfigure\ndeditpath\nexit\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.out, startup_text() +
                       "Command> Configuration items processed 17\n"
                       "Command> Configuration Version 2.83\n"
                       "Station Call\t K1ABC\tSSID 9\t\tRun Mode On\n"
                       "Base Lat  45.375832\tLon  -103.00000    Altitude 100 meters\n"
                       "Host baud\t9600\n"
                       "GPS  baud\t9600\n"
                       "TNC  baud\t19200\n"
                       "WIDE Max 2\tWIDE Total 2\n"
                       "Dupe Window 30 sec.\tCall Rate Limit 0 sec.\n"
                       "Beacon 1200 sec.\tIcon \\&\n"
                       "Beacon Comment: Hello World, 73\n"
                       "Control Call: K1ABC-15\n"
                       "NSR: Enabled\tRelay Drop: Disabled\n"
                       "Digi Path[2]: WIDE1-1,WIDE2-1\n"
                       "Log Port: Yes\n"
                       "UITrace: Yes\tHave GPS: No\n"
                       "Fix Valid: Yes\tPass packets without valid position: No\n"
                       "Halt On Error: No\tDrop Mangled Packet: Yes\n"
                       "Rule count 0\tImplicit Rule Action: Pass\n"
                       "Command> "
                       "Path Substitution: Count  1, Max  8, Entry size 77, Table size 616\n"
                       "Path Delete:       Count  1, Max  8, Entry size 12, Table size  96\n"
                       "#  Type MIndx Match      AIndx Substitution Digi Path\n"
                       "\n"
                       "1   Sub   *   WIDE1-1      1   N0CALL*,WIDE1*\n"
                       "2   Del   2   RELAY-3      *\n"
                       "Command> ");
}

// A failed configure names file, line and line; the next one starts afresh
// from the defaults; an unopenable file changes nothing.
TEST(ConfigureCommand, FailuresThroughTheShell) {
  temp_dir dir;
  const std::string good =
      dir.write("good.cfg", "call k1abc\ndigipath wide1-1\ndeletepath * * 1\n");
  const std::string bad = dir.write("bad.cfg", "host 4800\nwidetotal 2\nssid 3\n");
  const std::string missing = dir.path() + "/none.cfg";
  const program_result r = run_host("configure " + good + "\nconfigure " + missing +
                                    "\ndeditpath\nconfigure " + bad + "\ndconfigure\nexit\n");
  EXPECT_EQ(r.status, 0);
  const std::string expected_start =
      startup_text() +
      "Command> Configuration items processed 3\n"
      "Command> \a\aError: cannot open " +
      missing +
      "\n"
      "\a\aError: Configuration processing failed\n"
      "Command> "
      "Path Substitution: Count  0, Max  8, Entry size 77, Table size 616\n"
      "Path Delete:       Count  1, Max  8, Entry size 12, Table size  96\n"
      "#  Type MIndx Match      AIndx Substitution Digi Path\n"
      "\n"
      "1   Del   *   *            1\n"
      "Command> \a\aError: " +
      bad +
      "[2]: invalid n argument 2 must be >= WIDEMAX: 3: widetotal 2\n"
      "\a\aError: Configuration processing failed\n"
      "Command> Configuration Version 2.83\n"
      "Station Call\tNOTSET\tSSID 0\t\tRun Mode On\n"
      "Base Lat   0.000000\tLon     0.00000    Altitude 0 meters\n"
      "Host baud\t4800\n";
  EXPECT_EQ(r.out.substr(0, expected_start.size()), expected_start);
  EXPECT_NE(r.out.find("Digi Path[0]: \n"), std::string::npos);
}

}  // namespace
