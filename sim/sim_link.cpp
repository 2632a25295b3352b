#include "sim_link.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/prctl.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

volatile sig_atomic_t stop_requested = 0;
sigset_t wait_mask;  // the mask in force while waiting: the stop signals let through

void on_stop_signal(int) { stop_requested = 1; }

timespec to_timespec(std::int64_t us) {
  return {static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
}

}  // namespace

std::int64_t monotonic_us() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return static_cast<std::int64_t>(t.tv_sec) * 1000000 + t.tv_nsec / 1000;
}

bool sim_link::open(const char* log_path, bool model_line, bool quit_on_eof, long rate) {
  model_line_ = model_line;
  quit_on_eof_ = quit_on_eof;
  rate_ = rate;
  // Deadlines of a fraction of a millisecond need a timer that is not slack.
  prctl(PR_SET_TIMERSLACK, 1UL, 0UL, 0UL, 0UL);

  // The stop signals are blocked except inside the waits, so a stop that
  // comes between two waits is seen by the next one and never lost.
  struct sigaction sa = {};
  sa.sa_handler = on_stop_signal;
  sigaction(SIGTERM, &sa, nullptr);
  sigaction(SIGINT, &sa, nullptr);
  signal(SIGPIPE, SIG_IGN);
  sigset_t stops;
  sigemptyset(&stops);
  sigaddset(&stops, SIGTERM);
  sigaddset(&stops, SIGINT);
  sigprocmask(SIG_BLOCK, &stops, &wait_mask);
  sigdelset(&wait_mask, SIGTERM);
  sigdelset(&wait_mask, SIGINT);

  char name[256];
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) {
    std::fprintf(stderr, "zentrosim: cannot create a pseudo-terminal: %s\n", std::strerror(errno));
    return false;
  }
  slave_path_ = name;
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  fcntl(master_, F_SETFL, fcntl(master_, F_GETFL) | O_NONBLOCK);
  termios t;
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  cfsetispeed(&t, B19200);
  cfsetospeed(&t, B19200);
  tcsetattr(slave_, TCSANOW, &t);
  if (log_path != nullptr) {
    log_ = std::fopen(log_path, "w");
    if (log_ == nullptr) {
      std::fprintf(stderr, "zentrosim: cannot write %s: %s\n", log_path, std::strerror(errno));
      return false;
    }
  }
  return true;
}

sim_link::~sim_link() {
  hang_up();
  if (slave_ >= 0) close(slave_);
  if (log_ != nullptr) std::fclose(log_);
}

bool sim_link::stopping() const { return stop_requested != 0; }

void sim_link::hang_up() {
  if (master_ >= 0) close(master_);
  master_ = -1;
  if (slave_ >= 0) close(slave_);
  slave_ = -1;
}

std::int64_t sim_link::char_us() const {
  return model_line_ && rate_ > 0 ? 10 * 1000000LL / rate_ : 0;
}

void sim_link::log(char kind, std::int64_t at_us, unsigned char byte) {
  if (log_ == nullptr) return;
  std::fprintf(log_, "%c %lld %02x\n", kind, static_cast<long long>(at_us),
               static_cast<unsigned>(byte));
}

void sim_link::take_input() {
  unsigned char buf[512];
  for (;;) {
    ssize_t n = read(master_, buf, sizeof buf);
    if (n <= 0) break;
    const std::int64_t now = monotonic_us();
    for (ssize_t i = 0; i < n; ++i) {
      log('R', now, buf[i]);
      queue_.push_back({now, buf[i]});
    }
  }
}

// Flushing on every byte would slow the echo exchanges; a reader of the log
// (a test waiting for a byte) sees it within 20 ms, or as soon as the device
// goes idle.
void sim_link::flush_log(bool now) {
  if (log_ == nullptr) return;
  const std::int64_t t = monotonic_us();
  if (now || t - flushed_us_ > 20000) {
    std::fflush(log_);
    flushed_us_ = t;
  }
}

void sim_link::wait_until(std::int64_t deadline_us, bool stop_on_input) {
  while (!stopping()) {
    if (stop_on_input && !queue_.empty()) return;
    const std::int64_t left = deadline_us - monotonic_us();
    if (deadline_us >= 0 && left <= 0) return;
    flush_log(deadline_us < 0 || left > 5000);
    pollfd fds[2] = {{master_, POLLIN, 0}, {stdin_open_ ? 0 : -1, POLLIN, 0}};
    timespec wait = to_timespec(left);
    int ready = ppoll(fds, 2, deadline_us >= 0 ? &wait : nullptr, &wait_mask);
    if (ready <= 0) continue;
    if (fds[0].revents & POLLIN) take_input();
    if (fds[1].revents != 0) {
      char line[64];
      ssize_t n = read(0, line, sizeof line - 1);
      if (n <= 0) {
        stdin_open_ = false;  // no one to tell us anything: signals only
        if (quit_on_eof_) stop_requested = 1;
      } else {
        line[n] = '\0';
        if (std::strncmp(line, "quit", 4) == 0) stop_requested = 1;
      }
    }
  }
}

int sim_link::get(int timeout_ms) {
  const std::int64_t deadline = timeout_ms < 0 ? -1 : monotonic_us() + timeout_ms * 1000LL;
  while (!stopping()) {  // after a hang-up this only waits: nothing comes any more
    if (queue_.empty()) wait_until(deadline, true);
    if (queue_.empty()) {
      device_now_us_ = monotonic_us();
      return -1;
    }
    const arrival a = queue_.front();
    queue_.pop_front();
    // The byte is the device's once its last bit is in.
    const std::int64_t start = a.at_us > rx_free_us_ ? a.at_us : rx_free_us_;
    rx_free_us_ = start + char_us();
    if (char_us() > 0) wait_until(rx_free_us_, false);
    device_now_us_ = char_us() > 0 ? rx_free_us_ : monotonic_us();
    ++received_;
    return a.byte;
  }
  return -1;
}

void sim_link::write_all(const unsigned char* bytes, std::size_t len) {
  // The utility may not hold the port: what it misses is lost, as on a line.
  while (len > 0) {
    ssize_t n = write(master_, bytes, len);
    if (n <= 0) return;
    for (ssize_t i = 0; i < n; ++i) log('S', monotonic_us(), bytes[i]);
    bytes += n;
    len -= static_cast<std::size_t>(n);
  }
}

void sim_link::put(const std::string& bytes) {
  if (master_ < 0) return;
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  if (char_us() == 0) write_all(data, bytes.size());
  // The answer starts when the device had what it answers, not when this
  // process woke up to it: waking late must not stretch the line time.
  for (std::size_t i = 0; char_us() > 0 && i < bytes.size() && !stopping(); ++i) {
    tx_free_us_ = (device_now_us_ > tx_free_us_ ? device_now_us_ : tx_free_us_) + char_us();
    wait_until(tx_free_us_, false);
    write_all(data + i, 1);
  }
  flush_log(false);
}

void sim_link::pause_ms(int ms) {
  device_now_us_ = monotonic_us() + ms * 1000LL;
  wait_until(device_now_us_, false);
}
