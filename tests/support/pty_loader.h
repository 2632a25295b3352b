// A firmware loader played behind a pseudo-terminal, on a thread of its own.
// Only for tests built with sim/firmware_side.
//
// Until "reset\n" comes, what the port sends is kept as before_reset; then
// the loader restarts (restart_ms, while the host reopens its port and so
// discards what is waiting) and sends its prompt, and from there on a
// firmware_side answers every record line. The hooks run on the loader's
// thread: on_interrupt when the first interrupt character comes, on_line
// after each record line answered; either may be empty.
//
//   loader_hooks              what runs on the loader's side, and when
//   pty_loader::stop          end the loader's thread (the rest is valid after)
//   pty_loader::side          the loader's firmware_side
//   pty_loader::lines         every record line received, with its reply
//   pty_loader::before_reset  what came before "reset\n"
//   pty_loader::reset_seen    whether the loader was entered
#pragma once

#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "firmware_side.h"
#include "pty_pair.h"

struct loader_hooks {
  std::function<void()> on_interrupt;
  std::function<void(std::size_t lines)> on_line;
};

class pty_loader {
 public:
  pty_loader(pty_pair& pty, fw_sim_options options, int restart_ms, loader_hooks hooks = {})
      : pty_(pty), side_(std::move(options)), restart_ms_(restart_ms), hooks_(std::move(hooks)) {
    thread_ = std::thread([this] { run(); });
  }
  ~pty_loader() { stop(); }
  pty_loader(const pty_loader&) = delete;
  pty_loader& operator=(const pty_loader&) = delete;
  void stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
  }
  const firmware_side& side() const { return side_; }
  const std::vector<fw_line>& lines() const { return side_.lines(); }
  const std::string& before_reset() const { return before_reset_; }
  bool reset_seen() const { return side_.in_loader(); }

 private:
  void run() {
    bool interrupted = false;
    while (!stop_) {
      pollfd p = {pty_.master(), POLLIN, 0};
      if (poll(&p, 1, 10) <= 0 || (p.revents & POLLIN) == 0) continue;
      unsigned char buf[512];
      const ssize_t n = read(pty_.master(), buf, sizeof buf);
      if (n <= 0) continue;
      if (!side_.in_loader()) {
        before_reset_.append(reinterpret_cast<char*>(buf), static_cast<std::size_t>(n));
        if (!interrupted && before_reset_.find('\x03') != std::string::npos) {
          interrupted = true;
          if (hooks_.on_interrupt) hooks_.on_interrupt();
        }
        if (before_reset_.find("reset\n") == std::string::npos) continue;
        std::this_thread::sleep_for(std::chrono::milliseconds(restart_ms_));
        pty_.send(side_.reset());
        continue;
      }
      std::string answers;
      side_.feed(buf, static_cast<std::size_t>(n), answers);
      pty_.send(answers);
      if (hooks_.on_line) hooks_.on_line(side_.lines().size());
    }
  }

  pty_pair& pty_;
  firmware_side side_;
  int restart_ms_;
  loader_hooks hooks_;
  std::string before_reset_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
