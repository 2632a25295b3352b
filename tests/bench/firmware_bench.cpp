// Firmware benchmarks (not a test): the Intel HEX check on a large file
// against srec_info reading the same file.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "firmware.h"
#include "run_program.h"

namespace {

using seconds_d = std::chrono::duration<double>;

template <typename F>
double best_of(int runs, F&& f) {
  double best = 1e300;
  for (int i = 0; i < runs; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    if (!f()) return -1.0;
    const double s = seconds_d(std::chrono::steady_clock::now() - t0).count();
    if (s < best) best = s;
  }
  return best;
}

// An Intel HEX file of about 8 MiB: 16-byte records of 44 characters each.
std::string make_large_hex(const temp_dir& dir) {
  const std::size_t image_size = (8u << 20) / 44 * 16;
  std::string image(image_size, '\0');
  unsigned x = 1;
  for (char& c : image) c = static_cast<char>((x = x * 1103515245u + 12345u) >> 24);
  const std::string bin = dir.write("large.bin", image);
  const std::string hex = dir.path() + "/large.hex";
  if (std::system(("objcopy -I binary -O ihex " + bin + " " + hex).c_str()) != 0) return "";
  return hex;
}

int bench_verify(const temp_dir& dir) {
  const std::string hex = make_large_hex(dir);
  if (hex.empty()) {
    std::printf("verify: could not make the Intel HEX file\n");
    return 1;
  }
  const double mib = static_cast<double>(std::filesystem::file_size(hex)) / (1 << 20);
  int records = 0;
  const double ours = best_of(5, [&] {
    std::FILE* fp = std::fopen(hex.c_str(), "r");
    if (fp == nullptr) return false;
    records = inhexverify(fp);
    std::fclose(fp);
    return records > 0;
  });
  const std::string info = "srec_info " + hex + " -Intel > /dev/null 2>&1";
  const double theirs = best_of(3, [&] { return std::system(info.c_str()) == 0; });
  if (ours < 0 || theirs < 0) {
    std::printf("verify: a run failed\n");
    return 1;
  }
  std::printf("inhexverify: %.2f MiB, %d records: %.3f s, %.1f MiB/s\n", mib, records, ours,
              mib / ours);
  std::printf("srec_info:   same file: %.3f s, %.1f MiB/s; inhexverify is %.1fx faster\n", theirs,
              mib / theirs, theirs / ours);
  return 0;
}

}  // namespace

int main() {
  temp_dir dir;
  return bench_verify(dir);
}
