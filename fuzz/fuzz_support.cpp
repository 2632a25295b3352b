#include "fuzz_support.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

void silence_stdout() {
  if (std::getenv("ZENTRO_FUZZ_VERBOSE") != nullptr) return;  // to read what a finding printed
  std::fflush(stdout);
  if (std::freopen("/dev/null", "w", stdout) == nullptr) std::abort();
}

memory_file::memory_file(const char* label) : fd_(memfd_create(label, MFD_CLOEXEC)) {
  if (fd_ < 0) std::abort();
  path_ = "/proc/self/fd/" + std::to_string(fd_);
}

void memory_file::set(const std::uint8_t* data, std::size_t size) {
  if (ftruncate(fd_, 0) != 0) std::abort();
  std::size_t done = 0;
  while (done < size) {
    const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
    if (n <= 0) std::abort();
    done += static_cast<std::size_t>(n);
  }
}

void fuzz_check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}
