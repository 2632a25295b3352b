// Firmware benchmarks (not a test): the Intel HEX check on a large file
// against srec_info reading the same file, and a whole update of a 64 KiB
// image through zentrohost against zentrosim with the line rate modelled,
// against the line time of every byte that crossed the line.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "file_text.h"
#include "firmware.h"
#include "run_program.h"
#include "sim_session.h"

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
  const std::string image = noise_image(image_size, 1);
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

int bench_transfer(const temp_dir& dir) {
  const std::string image = noise_image(64 * 1024, 3);
  const std::string bin = dir.write("image64k.bin", image);
  const std::string hex = dir.path() + "/image64k.hex";
  if (std::system(("objcopy -I binary -O ihex " + bin + " " + hex).c_str()) != 0) return 1;

  sim_session sim({"--line-rate", "--rate", "19200"});
  if (!sim.ok()) {
    std::printf("transfer: zentrosim did not start\n");
    return 1;
  }
  run_options options;
  options.time_limit_s = 600;
  const auto t0 = std::chrono::steady_clock::now();
  const program_result r = sim.run_host("firmware 1 " + hex + "\ny\n\nexit\n", 1, options);
  const double whole = seconds_d(std::chrono::steady_clock::now() - t0).count();
  if (r.out.find("Firmware update succeeded!") == std::string::npos) {
    std::printf("transfer: the update failed\n%s\n", r.out.c_str());
    return 1;
  }
  // The record transfer runs from the identifier's ACK to the last ACK.
  const std::vector<wire_byte> wire = sim.wire();
  std::string received;
  std::vector<std::size_t> at;  // wire index of each received byte
  for (std::size_t i = 0; i < wire.size(); ++i) {
    if (wire[i].kind != 'R') continue;
    received += static_cast<char>(wire[i].value);
    at.push_back(i);
  }
  const std::size_t ident = received.find("ZeTrVa1.0");
  std::size_t begin = 0;
  if (ident != std::string::npos)
    for (std::size_t i = at[ident + 8]; i < wire.size() && begin == 0; ++i)
      if (wire[i].kind == 'S' && wire[i].value == 0x06) begin = i;
  std::size_t end = wire.size();
  while (end > begin && wire[end - 1].kind != 'S') --end;
  if (begin == 0 || end <= begin + 1) {
    std::printf("transfer: no record transfer in the wire log\n");
    return 1;
  }
  const std::size_t bytes = end - 1 - begin;  // after the identifier's ACK
  std::size_t to_device = 0;
  for (std::size_t i = begin + 1; i < end; ++i) to_device += wire[i].kind == 'R';
  const double wall = static_cast<double>(wire[end - 1].t_us - wire[begin].t_us) / 1e6;
  const double line = static_cast<double>(bytes) * 10.0 / 19200.0;
  std::printf(
      "transfer:    64 KiB image, %zu bytes to the device, %zu back: wall %.2f s, line time "
      "%.2f s at 19200 baud, %+.2f%%\n",
      to_device, bytes - to_device, wall, line, 100.0 * (wall - line) / line);
  std::printf("             the whole update command took %.2f s\n", whole);
  return 0;
}

}  // namespace

int main() {
  temp_dir dir;
  const int verify = bench_verify(dir);
  const int transfer = bench_transfer(dir);
  return verify != 0 ? verify : transfer;
}
