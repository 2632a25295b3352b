// Running a program of the project with scripted standard input.
//
//   run_program   start argv with input on stdin, collect stdout/stderr and
//                 the exit status; killed when it outlives its time limit
//   run_host      run_program on zentrohost
//   temp_dir      a fresh directory removed with its contents at scope end
#pragma once

#include <string>
#include <utility>
#include <vector>

struct program_result {
  std::string out;
  std::string err;
  int status = -1;         // exit status, or -1 when killed by a signal
  bool timed_out = false;  // killed because it ran past its time limit
};

struct run_options {
  std::vector<std::pair<std::string, std::string>> env;  // added or replaced
  std::string cwd;                                       // empty: inherit
  double time_limit_s = 30.0;
};

program_result run_program(const std::vector<std::string>& argv, const std::string& input,
                           const run_options& options = {});

inline program_result run_host(const std::string& input, const run_options& options = {}) {
  return run_program({ZENTROHOST_PATH}, input, options);
}

class temp_dir {
 public:
  temp_dir();
  ~temp_dir();
  temp_dir(const temp_dir&) = delete;
  temp_dir& operator=(const temp_dir&) = delete;
  const std::string& path() const { return path_; }
  // Writes a file in the directory and returns its full path.
  std::string write(const std::string& name, const std::string& contents) const;

 private:
  std::string path_;
};

// The banner, summary and blank line every run begins with.
std::string startup_text();
