// The real zentrohost driven through scripted standard input: exact output,
// BEL characters included, and exit status.
#include <gtest/gtest.h>

#include <string>

#include "run_program.h"

namespace {

const std::string P = "Command> ";

// Runs the lines and returns what followed the start-up text.
program_result session_in(const run_options& options, const std::string& input) {
  program_result r = run_host(input, options);
  EXPECT_FALSE(r.timed_out);
  EXPECT_EQ(r.out.substr(0, startup_text().size()), startup_text());
  if (r.out.size() >= startup_text().size()) r.out.erase(0, startup_text().size());
  return r;
}

program_result session(const std::string& input) { return session_in({}, input); }

}  // namespace

TEST(Shell, ExitWordsEndWithStatusZeroAndNoOutput) {
  for (const char* word : {"exit", "quit", "x", "EXIT", "q", "e", "Qu", " , x extra"}) {
    program_result r = session(std::string(word) + "\nhelp\n");
    EXPECT_EQ(r.status, 0) << word;
    EXPECT_EQ(r.out, P) << word;
    EXPECT_EQ(r.err, "") << word;
  }
}

TEST(Shell, EndOfInputAtThePromptEndsWithStatusOne) {
  program_result r = session("");
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.out, P + "\n");

  r = session("exi");  // a last line without a line feed still runs
  EXPECT_EQ(r.status, 0);
}

TEST(Shell, UnknownAndAmbiguousWords) {
  program_result r = session("c\nco\ncon\nd\nhelpme\nzz top\nconnectx 3\n");
  EXPECT_EQ(r.out, P + "\a\aError: ambiguous command: c\n" +        //
                       P + "\a\aError: ambiguous command: co\n" +   //
                       P + "\a\aError: ambiguous command: con\n" +  //
                       P + "\a\aError: ambiguous command: d\n" +    //
                       P + "\a\aError: unknown command: helpme\n" + P +
                       "\a\aError: unknown command: zz\n" + P +
                       "\a\aError: unknown command: connectx\n" + P + "\n");
  EXPECT_EQ(r.status, 1);
}

TEST(Shell, OverlongCommandWordIsUnknown) {
  const std::string word(60, 'h');
  program_result r = session(word + "\nexit\n");
  EXPECT_EQ(r.out, P + "\a\aError: unknown command: " + word + "\n" + P);
}

TEST(Shell, RepeatWithDot) {
  // "." before any line does nothing; " ." reaches the "." entry itself; an
  // empty line keeps the line to repeat; ".anything" repeats as well.
  program_result r = session(".\n .\n.\n\n.anything\ndi\n.\nexit\n");
  const std::string internal = "\a\aInternal Error: command 33 is invalid!\n";
  const std::string not_connected = "\a\aError: not Connected!\n";
  EXPECT_EQ(r.out, P + P + internal + P + internal + P + P + internal + P + not_connected + P +
                       not_connected + P);
  EXPECT_EQ(r.status, 0);
}

TEST(Shell, BlankLineIsRememberedButDoesNothing) {
  program_result r = session("di\n   \n.\nexit\n");
  EXPECT_EQ(r.out, P + "\a\aError: not Connected!\n" + P + P + P);
}

TEST(Shell, OverlongLineIsRefusedWholeAndItsTailNeverRuns) {
  // 255 characters before the line feed do not fit; if the tail "quit" ran
  // as a command the run would end with status 0.
  const std::string too_long = "help" + std::string(251, ' ') + "quit\n";
  const std::string fits = "di" + std::string(252, ' ') + "\n";  // 254 characters
  program_result r = session(too_long + fits);
  EXPECT_EQ(r.out, P + "\a\aError: command line too long (more than 255 characters)\n" + P +
                       "\a\aError: not Connected!\n" + P + "\n");
  EXPECT_EQ(r.status, 1);
}

TEST(Shell, HelpAndQuestionMarkPrintTheSummary) {
  const std::string summary = startup_text().substr(startup_text().find("\n\t\tCommand Summary"));
  const std::string summary_without_blank = summary.substr(0, summary.size() - 1);
  program_result r = session("help\n?\nHELP extra words\nexit\n");
  EXPECT_EQ(r.out,
            P + summary_without_blank + P + summary_without_blank + P + summary_without_blank + P);
}

TEST(Shell, ConnectionStateChecks) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"baud 9600", "\a\aError: must be Connected before changing the Baud!\n"},
      {"baud", "\a\aError: must be Connected before changing the Baud!\n"},
      {"disconnect", "\a\aError: not Connected!\n"},
      {"download", "\a\aError: not Connected!\n"},
      {"serialtest 3", "\a\aError: not Connected!\n"},
      {"serialtest", "\a\aError: not Connected!\n"},
  };
  for (const auto& c : cases) {
    program_result r = session(std::string(c.line) + "\nexit\n");
    EXPECT_EQ(r.out, P + c.message + P) << c.line;
  }
}

TEST(Shell, ArgumentRefusals) {
  const struct {
    const char* line;
    const char* message;
  } cases[] = {
      {"connect", "\a\aError: missing argument: com_port\n"},
      {"connect ,, ", "\a\aError: missing argument: com_port\n"},
      {"connect 0", "\a\aError: invalid COM port number (1..20): 0\n"},
      {"connect 21", "\a\aError: invalid COM port number (1..20): 21\n"},
      {"connect com", "\a\aError: invalid COM port number (1..20): com\n"},
      {"connect port3", "\a\aError: invalid COM port number (1..20): port3\n"},
      {"connect 3 115200", "\a\aError: invalid baud rate: 115200\n"},
      {"connect com3,fast", "\a\aError: invalid baud rate: 0\n"},
      {"connect 3 14400", "\a\aError: invalid baud rate: 14400\n"},
      {"configure", "\a\aError: missing argument: file_name\n"},
      {"configure ,", "\a\aError: missing argument: file_name\n"},
      {"rules", "\a\aError: missing argument: file_name\n"},
      {"firmware", "\a\aError: missing arguments: com_port file_name\n"},
      {"firmware 22 fw.hex", "\a\aError: invalid COM port number (1..20): 22\n"},
      {"firmware com3", "\a\aError: missing argument: file_name\n"},
  };
  for (const auto& c : cases) {
    program_result r = session(std::string(c.line) + "\nexit\n");
    EXPECT_EQ(r.out, P + c.message + P) << c.line;
  }
}

TEST(Shell, FirmwareConfirmation) {
  const std::string ask =
      "\a\aWARNING! This will alter the Zentrovane firmware!\n"
      "Do you want to continue (n or y)? [n]: ";
  const std::string refused = "Zentrovane Firmware will NOT be updated!\n";
  for (const char* reply : {"n", "", "no", " yes", "N"}) {
    program_result r = session(std::string("firmware 3 fw.hex\n") + reply + "\nexit\n");
    EXPECT_EQ(r.out, P + ask + refused + P) << reply;
    EXPECT_EQ(r.status, 0);
  }
  // End of input at the question: a line feed, no update, then the prompt
  // meets the end of input too.
  program_result r = session("firmware com3,fw.hex\n");
  EXPECT_EQ(r.out, P + ask + "\n" + refused + P + "\n");
  EXPECT_EQ(r.status, 1);

  // A reply longer than the reply buffer is consumed whole: its tail is not
  // read as a command.
  r = session("firmware 3 fw.hex\nn" + std::string(100, ' ') + "quit\ndi\n");
  EXPECT_EQ(r.out, P + ask + refused + P + "\a\aError: not Connected!\n" + P + "\n");
  EXPECT_EQ(r.status, 1);
}

TEST(Shell, ConnectTakesThePortWordsNumberAndTheConfiguredRate) {
  // The port does not exist, so each attempt shows the port and rate it used.
  temp_dir dir;
  const std::string cfg = dir.write("gps.cfg", "havegps yes\ngps 9600\n");
  run_options options;
  options.env = {{"ZENTROVANE_COM3", dir.path() + "/no-such-tty"}};
  program_result r = run_host(
      "connect 3x\nconfigure " + cfg + "\nconnect com3\nconnect COM3,4800\nhelp\nexit\n", options);
  const std::string refused =
      "\a\aError: cannot open COM port COM3: No such file or directory\n"
      "\a\aError: could not open COM port COM3\n";
  const std::string after_startup = r.out.substr(startup_text().size());
  EXPECT_EQ(after_startup.substr(0, after_startup.find("\n\t\tCommand Summary")),
            P + "Connecting at 19200...\n" + refused + P + "Configuration items processed 2\n" + P +
                "Connecting at 9600...\n" + refused + P + "Connecting at 4800...\n" + refused + P);
  // With a GPS configured the help brackets its rate.
  EXPECT_NE(after_startup.find("Valid Baud Rates:\t4800 [9600] 19200 38400 57600 \n"),
            std::string::npos);
  EXPECT_EQ(r.status, 0);
}

TEST(Shell, FileNamesKeepTheirBlanks) {
  temp_dir dir;
  dir.write(" my file.cfg", "call N0CALL\n");
  run_options options;
  options.cwd = dir.path();
  // Two blanks after the command: the second one begins the file name.
  program_result r = session_in(options, "configure  my file.cfg\nconfigure my file.cfg,x\nexit\n");
  EXPECT_EQ(r.out, P + "Configuration items processed 1\n" + P +
                       "\a\aError: cannot open my file.cfg\n"
                       "\a\aError: Configuration processing failed\n" +
                       P);
}
