// End-to-end sessions: the real zentrohost against zentrosim on a fresh
// pseudo-terminal.
//
// A sim_session starts zentrosim with the options given (see `zentrosim
// --help`; every session adds --log and reads its path from the program's
// first line of output), maps a COM port to it through ZENTROVANE_COMn, runs
// the utility with scripted standard input, and reads back from the
// simulator's log what crossed the line, byte by byte with time stamps. The
// simulator is stopped (SIGTERM, then waited for) when the session ends.
//
//   sim_session::ok            the simulator started and gave its path
//   sim_session::path          the slave path the utility opens
//   sim_session::run_host      run zentrohost with COMn mapped to the simulator
//   sim_session::wire          every logged byte: direction, time, value
//   sim_session::received      the bytes the device received, in order
//   sim_session::sent          the bytes the device sent, in order
//   sim_session::stop          stop the simulator (SIGTERM); its exit status
//   sim_session::quit          tell it "quit" on its standard input; its exit status
//   sim_session::alive         whether the simulator still runs
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run_program.h"

struct wire_byte {
  char kind;          // 'R' to the device, 'S' from it
  std::int64_t t_us;  // CLOCK_MONOTONIC, microseconds
  unsigned char value;
};

class sim_session {
 public:
  explicit sim_session(const std::vector<std::string>& sim_args = {});
  ~sim_session();
  sim_session(const sim_session&) = delete;
  sim_session& operator=(const sim_session&) = delete;

  bool ok() const { return !path_.empty(); }
  const std::string& path() const { return path_; }
  program_result run_host(const std::string& input, int com = 1, run_options options = {}) const;
  std::vector<wire_byte> wire() const;
  std::string received() const;
  std::string sent() const;
  int stop();
  int quit();
  bool alive() const;
  pid_t pid() const { return pid_; }

 private:
  std::string bytes_of(char kind) const;
  int wait_for_end();
  temp_dir dir_;
  std::string log_path_;
  std::string path_;
  pid_t pid_ = -1;
  int control_ = -1;  // the simulator's standard input
  int status_ = -1;
};
