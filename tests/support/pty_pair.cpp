#include "pty_pair.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

pty_pair::pty_pair() {
  char name[256];
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) return;
  path_ = std::string(name);
  // A program the test starts must not inherit the master: its copy would
  // keep the line up after hang_up().
  fcntl(master_, F_SETFD, FD_CLOEXEC);
  fcntl(slave_, F_SETFD, FD_CLOEXEC);
  termios t;
  tcgetattr(slave_, &t);
  cfmakeraw(&t);
  tcsetattr(slave_, TCSANOW, &t);
}

pty_pair::~pty_pair() {
  hang_up();
  if (slave_ >= 0) close(slave_);
}

void pty_pair::send(const std::string& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t n = write(master_, bytes.data() + done, bytes.size() - done);
    if (n <= 0) return;
    done += static_cast<std::size_t>(n);
  }
}

std::string pty_pair::receive(std::size_t count, int wait_ms) const {
  std::string got;
  while (got.size() < count) {
    pollfd p = {master_, POLLIN, 0};
    if (poll(&p, 1, wait_ms) <= 0 || (p.revents & POLLIN) == 0) break;
    char buf[4096];
    std::size_t want = count - got.size() < sizeof buf ? count - got.size() : sizeof buf;
    ssize_t n = read(master_, buf, want);
    if (n <= 0) break;
    got.append(buf, static_cast<std::size_t>(n));
  }
  return got;
}

void pty_pair::hang_up() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}
