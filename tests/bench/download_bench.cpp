// Download benchmark (not a test): the example configuration and 30 rules,
// at 19200 and 57600 baud with the line rate modelled, two ways:
//   - in process: the download code and the real port layer over a
//     pseudo-terminal to a device thread that models the line;
//   - the real zentrohost against zentrosim --line-rate: the whole run, and
//     the download alone as the device's log times it.
// The mandated time is the drain window plus the line time of every byte both
// ways (plus, for the whole run, the connect's read windows); the download
// should take no more than that by 5%. Three runs each; the median is shown.
#include <poll.h>
#include <sys/resource.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "conf_rec.h"
#include "download.h"
#include "download_side.h"
#include "link.h"
#include "pty_pair.h"
#include "rule_rec.h"
#include "run_program.h"
#include "serial_port.h"
#include "sim_session.h"

namespace {

constexpr double DRAIN_WINDOW_S = 0.020;  // 10 ms time-out + 10 ms, no per-byte term

double now_s(clockid_t clock = CLOCK_MONOTONIC) {
  timespec ts;
  clock_gettime(clock, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void sleep_until(double t) {
  timespec ts;
  ts.tv_sec = static_cast<time_t>(t);
  ts.tv_nsec = static_cast<long>((t - static_cast<double>(ts.tv_sec)) * 1e9);
  while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) != 0) {
  }
}

// The device end of the line: bytes written by the host are taken as
// arriving one character time (10 bits) each after the line is free, and
// each answer leaves only once the packet has fully arrived and reaches the
// host one character time later.
struct modelled_device {
  int fd;
  double char_s;
  download_side side;
  std::atomic<bool> stop{false};
  long host_bytes = 0, answer_bytes = 0;

  void run() {
    std::string command;
    double line_free = 0;
    while (!stop && !side.done()) {
      pollfd p = {fd, POLLIN, 0};
      if (poll(&p, 1, 50) <= 0) continue;
      std::uint8_t buf[256];
      const ssize_t n = read(fd, buf, sizeof buf);
      if (n <= 0) return;
      host_bytes += n;
      const double arrived = now_s();
      line_free = (arrived > line_free ? arrived : line_free) + static_cast<double>(n) * char_s;
      std::size_t from = 0;
      if (command.find("download\n") == std::string::npos) {
        for (; from < static_cast<std::size_t>(n); ++from) {
          command += static_cast<char>(buf[from]);
          if (command.ends_with("download\n")) {
            ++from;
            break;
          }
        }
      }
      std::string answers;
      side.feed(buf + from, static_cast<std::size_t>(n) - from, answers);
      if (answers.empty()) continue;
      line_free += static_cast<double>(answers.size()) * char_s;
      sleep_until(line_free);
      if (write(fd, answers.data(), answers.size()) < 0) return;
      answer_bytes += static_cast<long>(answers.size());
    }
  }
};

std::string thirty_rules() {
  std::string text = "implicit pass\n";
  for (int i = 0; i < 30; ++i) {
    char line[64];
    std::snprintf(line, sizeof line, "%s destin CALL%02d\n", i % 2 ? "pass" : "drop", i);
    text += line;
  }
  return text;
}

struct run_figures {
  double wall, mandated, cpu;
  long host_bytes, answer_bytes;
};

bool run_once(long baud, run_figures& f) {
  pty_pair pty;
  if (pty.path().empty()) return false;
  setenv("ZENTROVANE_COM9", pty.path().c_str(), 1);
  std::strcpy(port_name, "COM9");
  if (open_port(port_name, baud) != 0) return false;
  connected = 1;

  modelled_device dev{pty.master(), 10.0 / static_cast<double>(baud), download_side{}};
  std::thread device([&] { dev.run(); });

  // The utility's own lines are not part of the figures.
  std::fflush(stdout);
  const int saved = dup(1);
  std::FILE* null = std::freopen("/dev/null", "w", stdout);
  const double cpu0 = now_s(CLOCK_THREAD_CPUTIME_ID), t0 = now_s();
  download_command();
  const double wall = now_s() - t0, cpu = now_s(CLOCK_THREAD_CPUTIME_ID) - cpu0;
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  (void)null;

  dev.stop = true;
  device.join();
  if (!dev.side.done() || dev.side.conf_bytes().size() != CONF_REC_SIZE ||
      dev.side.rules_bytes().size() != 30 * RULE_REC_SIZE) {
    std::printf("download at %ld: the device did not receive everything\n", baud);
    return false;
  }
  f.host_bytes = dev.host_bytes;
  f.answer_bytes = dev.answer_bytes;
  f.mandated = DRAIN_WINDOW_S + static_cast<double>(dev.host_bytes + dev.answer_bytes) * dev.char_s;
  f.wall = wall;
  f.cpu = cpu;
  return true;
}

// Three runs; the machine is shared, so the median is the figure and the
// spread is shown.
int bench_at(long baud) {
  run_figures runs[3];
  for (auto& r : runs)
    if (!run_once(baud, r)) return 1;
  std::sort(std::begin(runs), std::end(runs),
            [](const run_figures& a, const run_figures& b) { return a.wall < b.wall; });
  const run_figures& m = runs[1];
  std::printf(
      "in process download at %5ld baud: %ld bytes sent, %ld answers; wall %.3f s (runs "
      "%.3f..%.3f), "
      "mandated %.3f s, ratio %.3f, CPU %.4f s\n",
      baud, m.host_bytes, m.answer_bytes, m.wall, runs[0].wall, runs[2].wall, m.mandated,
      m.wall / m.mandated, m.cpu);
  return 0;
}

// The real programs. The download as the device saw it runs from the first
// byte of the command to the last answer it handed over.
struct sim_figures {
  double wall_s, segment_s, mandated_s, cpu_s;
  long host_bytes, answer_bytes;
  bool ok;
};

double children_cpu_s() {
  rusage u;
  getrusage(RUSAGE_CHILDREN, &u);
  return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
         static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) * 1e-6;
}

sim_figures sim_run_once(long baud, const std::string& rules_path) {
  sim_figures f{};
  sim_session sim({"--line-rate", "--rate", std::to_string(baud)});
  if (!sim.ok()) return f;
  const std::string input = "configure " EXAMPLES_DIR "/station.cfg\nrules " + rules_path +
                            "\nconnect 1 " + std::to_string(baud) + "\ndownload\nexit\n";
  const double cpu0 = children_cpu_s(), t0 = now_s();
  const program_result r = sim.run_host(input);
  f.wall_s = now_s() - t0;
  f.cpu_s = children_cpu_s() - cpu0;
  f.ok = r.status == 0 &&
         r.out.find("Downloading Rules succeeded\nDisconnected\n") != std::string::npos;
  const std::vector<wire_byte> wire = sim.wire();
  std::string received;
  std::int64_t start_us = -1, end_us = -1;
  for (const wire_byte& b : wire)
    if (b.kind == 'R') received += static_cast<char>(b.value);
  const std::size_t command_at = received.find("download\n");
  if (command_at == std::string::npos) f.ok = false;
  std::size_t seen = 0;
  for (const wire_byte& b : wire) {
    if (b.kind == 'R' && seen++ == command_at) start_us = b.t_us;
    if (b.kind == 'S' && start_us >= 0) {
      end_us = b.t_us;
      ++f.answer_bytes;
    }
  }
  f.host_bytes = static_cast<long>(received.size() - command_at);
  f.segment_s = static_cast<double>(end_us - start_us) * 1e-6;
  const double char_s = 10.0 / static_cast<double>(baud);
  f.mandated_s = DRAIN_WINDOW_S + static_cast<double>(f.host_bytes + f.answer_bytes) * char_s;
  return f;
}

int sim_bench_at(long baud, const std::string& rules_path) {
  std::vector<sim_figures> runs;
  for (int i = 0; i < 3; ++i) runs.push_back(sim_run_once(baud, rules_path));
  for (const auto& r : runs)
    if (!r.ok) {
      std::printf("zentrosim download at %ld failed\n", baud);
      return 1;
    }
  std::sort(runs.begin(), runs.end(),
            [](const sim_figures& a, const sim_figures& b) { return a.segment_s < b.segment_s; });
  const sim_figures& m = runs[1];
  // connect: a silent 40-byte drain window, the 10 handshake bytes and the
  // 2010 ms reply window; no per-character term at these rates.
  const double connect_s = 0.110 + 10 * 10.0 / static_cast<double>(baud) + 2.010;
  std::printf(
      "zentrosim download at %5ld baud: on line %.3f s, mandated %.3f s, ratio %.3f; "
      "whole run %.3f s, mandated %.3f s, ratio %.3f; utility CPU %.4f s\n",
      baud, m.segment_s, m.mandated_s, m.segment_s / m.mandated_s, m.wall_s,
      connect_s + m.mandated_s, m.wall_s / (connect_s + m.mandated_s), m.cpu_s);
  return 0;
}

}  // namespace

int main() {
  const int saved = dup(1);
  std::FILE* null = std::freopen("/dev/null", "w", stdout);
  (void)null;
  temp_dir dir;
  const std::string rules = dir.write("thirty.rul", thirty_rules());
  const bool ok = conf_process(EXAMPLES_DIR "/station.cfg") == 0 &&
                  rules_process(rules.c_str()) == 0 && conf_rec.rule_count == 30;
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  if (!ok) {
    std::printf("download: could not read the example configuration and 30 rules\n");
    return 1;
  }
  std::printf("Download benchmark: example configuration and 30 rules, line rate modelled\n");
  return bench_at(19200) | bench_at(57600) | sim_bench_at(19200, rules) |
         sim_bench_at(57600, rules);
}
