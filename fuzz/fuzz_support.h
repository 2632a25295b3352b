// Helpers shared by the libFuzzer targets.
//
// The parsers print every message on standard output; the targets send it to
// /dev/null once so that a run measures parsing, not the terminal. The file
// parsers take a file name, so the input is put in an in-memory file (memfd)
// that is opened again through its /proc path on every run: the parser reads
// a real regular file, with no disk I/O.
//
//   silence_stdout    point standard output at /dev/null (unless the environment
//                     has ZENTRO_FUZZ_VERBOSE, to replay an input with its output)
//   memory_file       an in-memory file whose contents a run replaces
//   fuzz_check        abort with a message when an invariant does not hold
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

void silence_stdout();

class memory_file {
 public:
  explicit memory_file(const char* label);
  // Replaces the contents; the path reads them from the start.
  void set(const std::uint8_t* data, std::size_t size);
  const char* path() const { return path_.c_str(); }

 private:
  int fd_ = -1;
  std::string path_;
};

// An invariant of the code under test: a failure is a finding.
void fuzz_check(bool ok, const char* what);
