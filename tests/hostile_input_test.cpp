// Files no operator should give the utility, through the program itself, to
// "configure", "rules" and "firmware" (on a port that does not exist):
// each gets one clear message, the prompt comes back, and the state is the
// one a failed command defines. A file that opened and failed on its first
// line leaves the defaults (configuration) or an empty rule set (rules); a
// name that is no readable file changes nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "firmware.h"
#include "run_program.h"

namespace {

const std::string station = EXAMPLES_DIR "/station.cfg";
const std::string filter = EXAMPLES_DIR "/filter.rul";

// The output of each command of a session, the banner dropped.
std::vector<std::string> replies(const program_result& r) {
  std::vector<std::string> parts;
  std::size_t at = r.out.find("Command> ");
  while (at != std::string::npos) {
    const std::size_t next = r.out.find("Command> ", at + 9);
    parts.push_back(r.out.substr(at + 9, next == std::string::npos ? next : next - at - 9));
    at = next;
  }
  return parts;
}

std::string reply_of(const std::string& commands) {
  const std::vector<std::string> parts = replies(run_host(commands));
  return parts.empty() ? std::string() : parts[parts.size() - 2];
}

std::string binary_bytes() {
  std::string s;
  for (int round = 0; round < 8; ++round)
    for (int b = 0; b < 256; ++b) s.push_back(static_cast<char>(b));
  return s;
}

const std::string x255(255, 'x');

const std::string CONFIRM =
    "\a\aWARNING! This will alter the Zentrovane firmware!\n"
    "Do you want to continue (n or y)? [n]: ";
const std::string FIRMWARE_FAILED = "Error: Firmware update failed!\n\tTry again!\n";

struct hostile_case {
  const char* name;
  // Makes the file (or whatever the name leads to) and returns its path.
  std::function<std::string(const temp_dir&, const char* command)> make;
  // Expected reply, "@" standing for the path; and whether the file opened.
  const char* conf_reply;
  const char* rules_reply;
  const char* firmware_reply;  // before the shell's failure lines
  bool opens;
};

std::string with_path(const char* pattern, const std::string& path) {
  std::string s = pattern;
  for (std::size_t at; (at = s.find('@')) != std::string::npos;) s.replace(at, 1, path);
  return s;
}

std::string contents_for(const char* command, const std::string& conf, const std::string& rules,
                         const std::string& firmware) {
  const std::string c = command;
  return c == "configure" ? conf : c == "rules" ? rules : firmware;
}

const char* const EMPTY_FIRMWARE =
    "\a\aError: Firmware file is empty!\n\a\aError: Firmware file has some kind of error!\n";

const std::vector<hostile_case>& cases() {
  static const std::string long_conf = "\a\aError: @[1]: command " + x255 + " invalid: " + x255 +
                                       "\n\a\aError: Configuration processing failed\n";
  static const std::string long_rules = "\a\aError: @[1]: action " + x255 + " invalid:\n" + x255 +
                                        "\n\a\aError: Rule processing failed\n";
  static const std::vector<hostile_case> list = {
      {"binary", [](const temp_dir& d, const char*) { return d.write("binary", binary_bytes()); },
       "\a\aError: @[1]: NUL character in line: \n\a\aError: Configuration processing failed\n",
       "\a\aError: @[1]: NUL character in line:\n\n\a\aError: Rule processing failed\n",
       EMPTY_FIRMWARE, true},
      {"NUL bytes only",
       [](const temp_dir& d, const char*) { return d.write("zeros", std::string(4096, '\0')); },
       "\a\aError: @[1]: NUL character in line: \n\a\aError: Configuration processing failed\n",
       "\a\aError: @[1]: NUL character in line:\n\n\a\aError: Rule processing failed\n",
       EMPTY_FIRMWARE, true},
      {"10 MB single line",
       [](const temp_dir& d, const char*) {
         return d.write("long", std::string(10 * 1024 * 1024, 'x') + "\n");
       },
       long_conf.c_str(), long_rules.c_str(), EMPTY_FIRMWARE, true},
      {"CR-only line ends",
       [](const temp_dir& d, const char* command) {
         return d.write("cr", contents_for(command, "call n0call\rssid 4\rhost 9600\r",
                                           "implicit drop\rpass destin APRS\rdrop src N0CALL\r",
                                           "; comment\r:00000001FF\r"));
       },
       "\a\aError: @[1]: invalid Call Sign argument: too long: call n0call\rssid 4\rhost 9600\r\n"
       "\a\aError: Configuration processing failed\n",
       "\a\aError: @[1]: command drop\rpass invalid:\n"
       "implicit drop\rpass destin APRS\rdrop src N0CALL\r\n"
       "\a\aError: Rule processing failed\n",
       EMPTY_FIRMWARE, true},
      {"directory",
       [](const temp_dir& d, const char*) {
         mkdir((d.path() + "/dir").c_str(), 0755);
         return d.path() + "/dir";
       },
       "\a\aError: cannot open @\n\a\aError: Configuration processing failed\n",
       "\a\aError: cannot open @\n\a\aError: Rule processing failed\n",
       "\a\aError: cannot open @\n", false},
      {"FIFO with no writer",
       [](const temp_dir& d, const char*) {
         mkfifo((d.path() + "/fifo").c_str(), 0644);
         return d.path() + "/fifo";
       },
       "\a\aError: cannot open @\n\a\aError: Configuration processing failed\n",
       "\a\aError: cannot open @\n\a\aError: Rule processing failed\n",
       "\a\aError: cannot open @\n", false},
      {"endless device", [](const temp_dir&, const char*) { return std::string("/dev/zero"); },
       "\a\aError: cannot open @\n\a\aError: Configuration processing failed\n",
       "\a\aError: cannot open @\n\a\aError: Rule processing failed\n",
       "\a\aError: cannot open @\n", false},
      {"opens but every read fails",
       [](const temp_dir&, const char*) { return std::string("/proc/self/mem"); },
       "\a\aError: @[0]: cannot read the file: Input/output error\n"
       "\a\aError: Configuration processing failed\n",
       "\a\aError: cannot read @: Input/output error\n\a\aError: Rule processing failed\n",
       "\a\aError: cannot read the Firmware file: Input/output error\n"
       "\a\aError: Firmware file has some kind of error!\n",
       true},
  };
  return list;
}

// The state displays: after a good file, after a file that opened and failed
// on its first line.
struct displays {
  std::string conf_good, conf_reset, rules_good, rules_reset;
};

const displays& reference() {
  static const temp_dir dir;
  static const std::string empty = dir.write("empty.cfg", "");
  static const displays d = {
      reply_of("configure " + station + "\ndconfigure\n"),
      reply_of("configure " + empty + "\ndconfigure\n"),
      reply_of("rules " + filter + "\ndrules\n"),
      "No Rules are configured!  Implicit Rule Action is Pass\n",
  };
  return d;
}

TEST(HostileInput, EveryCommandRefusesCleanlyAndKeepsItsState) {
  for (const hostile_case& c : cases()) {
    for (const char* command : {"configure", "rules", "firmware"}) {
      SCOPED_TRACE(std::string(c.name) + " / " + command);
      temp_dir dir;
      const std::string path = c.make(dir, command);
      const std::string cmd = command;
      run_options opt;
      opt.time_limit_s = 20;
      opt.env = {{"ZENTROVANE_COM3", "/dev/zentrovane-absent"}};
      std::string session;
      if (cmd == "configure") session = "configure " + station + "\n";
      if (cmd == "rules") session = "rules " + filter + "\n";
      session += cmd == "firmware" ? "firmware 3 " + path + "\ny\n" : cmd + " " + path + "\n";
      if (cmd == "configure") session += "dconfigure\n";
      if (cmd == "rules") session += "drules\n";
      const program_result r = run_host(session, opt);
      ASSERT_FALSE(r.timed_out);
      EXPECT_EQ(r.status, 1);  // the prompt came back; input then ended
      EXPECT_EQ(r.err, "");
      const std::vector<std::string> parts = replies(r);
      const displays& ref = reference();
      if (cmd == "firmware") {
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_EQ(parts[0], CONFIRM + with_path(c.firmware_reply, path) + FIRMWARE_FAILED);
        continue;
      }
      ASSERT_EQ(parts.size(), 4u);
      const bool conf = cmd == "configure";
      EXPECT_EQ(parts[1], with_path(conf ? c.conf_reply : c.rules_reply, path));
      if (conf)
        EXPECT_EQ(parts[2], c.opens ? ref.conf_reset : ref.conf_good);
      else
        EXPECT_EQ(parts[2], c.opens ? ref.rules_reset : ref.rules_good);
    }
  }
}

// A firmware file whose reading fails after two good records: a failure, not
// a file of two records.
TEST(HostileInput, FirmwareFileFailingPartWayIsNoShorterFile) {
  static const char good[] = ":0400000001020304F2\n:0400040005060708DE\n";
  struct cookie {
    std::size_t at = 0;
  } state;
  cookie_io_functions_t io{};
  io.read = [](void* c, char* buf, std::size_t size) -> ssize_t {
    auto* s = static_cast<cookie*>(c);
    const std::size_t left = sizeof good - 1 - s->at;
    if (left == 0) {
      errno = EIO;
      return -1;
    }
    const std::size_t n = std::min(size, left);
    std::memcpy(buf, good + s->at, n);
    s->at += n;
    return static_cast<ssize_t>(n);
  };
  io.seek = [](void* c, off64_t* offset, int whence) {
    if (whence != SEEK_SET) return -1;
    static_cast<cookie*>(c)->at = static_cast<std::size_t>(*offset);
    return 0;
  };
  std::FILE* fp = fopencookie(&state, "r", io);
  ASSERT_NE(fp, nullptr);
  testing::internal::CaptureStdout();
  const int rc = inhexverify(fp);
  const std::string out = testing::internal::GetCapturedStdout();
  std::fclose(fp);
  EXPECT_EQ(rc, -8);
  EXPECT_EQ(out, "\a\aError: cannot read the Firmware file: Input/output error\n");
}

// Permission bits do not stop root, so as root the program runs as nobody.
TEST(HostileInput, UnreadableFileIsRefusedAndChangesNothing) {
  temp_dir dir;
  chmod(dir.path().c_str(), 0755);
  const std::string conf = dir.write("locked.cfg", "call n0call\n");
  const std::string rules = dir.write("locked.rul", "pass destin APRS\n");
  const std::string hex = dir.write("locked.hex", ":00000001FF\n");
  for (const std::string& f : {conf, rules, hex}) chmod(f.c_str(), 0);
  std::vector<std::string> argv = {ZENTROHOST_PATH};
  if (geteuid() == 0) {
    if (access("/usr/bin/setpriv", X_OK) != 0) GTEST_SKIP() << "root, and no setpriv to drop it";
    argv = {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
            ZENTROHOST_PATH};
  }
  const program_result r =
      run_program(argv, "configure " + station + "\nconfigure " + conf + "\ndconfigure\nrules " +
                            filter + "\nrules " + rules + "\ndrules\nfirmware 3 " + hex + "\ny\n");
  const std::vector<std::string> parts = replies(r);
  ASSERT_EQ(parts.size(), 8u) << r.out << r.err;
  EXPECT_EQ(parts[1],
            "\a\aError: cannot open " + conf + "\n\a\aError: Configuration processing failed\n");
  EXPECT_EQ(parts[2], reference().conf_good);
  EXPECT_EQ(parts[4], "\a\aError: cannot open " + rules + "\n\a\aError: Rule processing failed\n");
  EXPECT_EQ(parts[5], reference().rules_good);
  EXPECT_EQ(parts[6], CONFIRM + "\a\aError: cannot open " + hex + "\n" + FIRMWARE_FAILED);
}

// Standard input as hostile as the files: a line far beyond the line buffer,
// NUL bytes, CR LF and bare CR line ends, bytes of every value.
TEST(HostileInput, StandardInputNeverBreaksTheLoop) {
  struct stdin_case {
    const char* name;
    std::string input;
    std::string replies;  // what follows the banner
    int status;
  };
  std::string every_byte;
  for (int b = 1; b < 256; ++b) every_byte.push_back(static_cast<char>(b));
  const std::string help = replies(run_host("help\n"))[0];
  const stdin_case cases[] = {
      {"10 MB single line", std::string(10 * 1024 * 1024, 'x') + "\nexit\n",
       "Command> \a\aError: command line too long (more than 255 characters)\nCommand> ", 0},
      {"NUL inside a line", std::string("conf\0igure x\nexit\n", 18),
       "Command> \a\aError: missing argument: file_name\nCommand> ", 0},
      {"CR LF line ends", "help\r\nexit\r\n", "Command> " + help + "Command> ", 0},
      {"CR LF right at the line limit", "help" + std::string(250, ' ') + "\r\nexit\n",
       "Command> " + help + "Command> ", 0},
      {"bare CR line ends", "help\rexit\r",
       "Command> \a\aError: unknown command: help\rexit\r\nCommand> \n", 1},
      {"bytes of every value", every_byte + "\n" + every_byte, "", 1},
  };
  for (const stdin_case& c : cases) {
    SCOPED_TRACE(c.name);
    const program_result r = run_host(c.input);
    EXPECT_FALSE(r.timed_out);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, "");
    ASSERT_EQ(r.out.rfind(startup_text(), 0), 0u);
    if (!c.replies.empty()) {
      EXPECT_EQ(r.out.substr(startup_text().size()), c.replies);
    }
  }
}

}  // namespace
