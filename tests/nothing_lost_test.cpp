// The utility only reads the operator's files. Every command that reads one
// runs under strace; afterwards each input file must be byte-identical with
// its modification time unchanged, and the trace must show no open for
// writing, no creation, truncation, renaming or removal of any file. The
// serial port is the one thing opened for reading and writing, and it lives
// under /dev.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "file_text.h"
#include "run_program.h"

namespace {

struct snapshot {
  std::string bytes;
  timespec mtime{};
};

snapshot take(const std::string& path) {
  struct stat st {};
  stat(path.c_str(), &st);
  return {slurp(path), st.st_mtim};
}

bool strace_works() {
  return run_program({"/usr/bin/strace", "-f", "-qq", "-o", "/dev/null", "/bin/true"}, "").status ==
         0;
}

// The lines of a trace that change or create a file.
std::vector<std::string> writes_in(const std::string& trace) {
  static const std::regex opened_for_writing(
      R"re((open|openat)\(.*"([^"]*)".*(O_WRONLY|O_RDWR|O_CREAT|O_TRUNC))re");
  static const std::regex changes(R"re(\b(creat|truncate|rename|renameat2?|unlink|unlinkat)\()re");
  std::vector<std::string> found;
  std::istringstream lines(trace);
  for (std::string line; std::getline(lines, line);) {
    std::smatch m;
    const bool opens_for_writing = std::regex_search(line, m, opened_for_writing);
    const bool device = opens_for_writing && m[2].str().rfind("/dev/", 0) == 0;
    if ((opens_for_writing && !device) || std::regex_search(line, changes)) found.push_back(line);
  }
  return found;
}

TEST(NothingLost, ReadingCommandsLeaveEveryFileAsItWas) {
  if (!strace_works()) GTEST_SKIP() << "strace is missing or may not trace here";
  temp_dir dir;
  const std::string fw_example =
      (std::filesystem::path(ZENTROHOST_PATH).parent_path() / "examples/zentrovane-fw.hex")
          .string();
  const std::vector<std::string> files = {
      dir.write("station.cfg", slurp(EXAMPLES_DIR "/station.cfg")),
      dir.write("filter.rul", slurp(EXAMPLES_DIR "/filter.rul")),
      dir.write("every.rul", slurp(FIXTURES_DIR "/rules_every_kind.rul")),
      dir.write("fw.hex", slurp(fw_example)),
      dir.write("faulty.cfg", "call n0call\nssid 99\n"),
      dir.write("faulty.rul", "pass destin APRS\npass destin APRS\n"),
      dir.write("crlf.cfg", "call n0call\r\nssid 4\r\n"),
  };
  std::vector<snapshot> before;
  for (const std::string& f : files) before.push_back(take(f));
  // Let the clock move on, so that a rewrite would show in the times.
  usleep(20000);

  const std::string d = dir.path() + "/";
  const std::string session = "configure " + d + "station.cfg\nrules " + d + "filter.rul\nrules " +
                              d + "every.rul\nconfigure " + d + "faulty.cfg\nrules " + d +
                              "faulty.rul\nconfigure " + d +
                              "crlf.cfg\ndconfigure\ndrules\ndeditpath\nfirmware 3 " + d +
                              "fw.hex\ny\n\nfirmware 3 " + d + "station.cfg\ny\n\nexit\n";
  const std::string trace = d + "trace.txt";
  run_options opt;
  opt.time_limit_s = 60;
  // The leak check cannot run under ptrace; the firmware update finds no port.
  opt.env = {{"ASAN_OPTIONS", "detect_leaks=0"}, {"ZENTROVANE_COM3", "/dev/zentrovane-absent"}};
  const program_result r = run_program(
      {"/usr/bin/strace", "-f", "-qq", "-o", trace, "-e",
       "trace=open,openat,creat,truncate,ftruncate,rename,renameat,renameat2,unlink,unlinkat",
       ZENTROHOST_PATH},
      session, opt);
  ASSERT_FALSE(r.timed_out);
  EXPECT_EQ(r.status, 0) << r.out;
  EXPECT_NE(r.out.find("Configuration items processed"), std::string::npos);
  EXPECT_NE(r.out.find("Rules processed"), std::string::npos);

  for (std::size_t i = 0; i < files.size(); ++i) {
    SCOPED_TRACE(files[i]);
    const snapshot after = take(files[i]);
    EXPECT_TRUE(after.bytes == before[i].bytes);
    EXPECT_EQ(after.mtime.tv_sec, before[i].mtime.tv_sec);
    EXPECT_EQ(after.mtime.tv_nsec, before[i].mtime.tv_nsec);
  }
  const std::string log = slurp(trace);
  EXPECT_NE(log.find(d + "station.cfg"), std::string::npos) << "the trace saw no file opened";
  EXPECT_NE(log.find(d + "fw.hex"), std::string::npos) << "the firmware file was not read";
  EXPECT_EQ(writes_in(log), std::vector<std::string>{});
}

}  // namespace
