// The termios back-end: real serial ports, USB adapters and pseudo-terminals.
//
// The port runs raw 8N1 with no flow control, the receiver on and the modem
// lines ignored. Reads and writes wait in ppoll against a deadline computed
// from the time-outs, so nothing spins. Exclusive use takes both TIOCEXCL and
// an flock: TIOCEXCL does not stop root, the lock does.
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>
#if defined(__linux__)
#include <sys/sysmacros.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "posix_rate.h"
#include "serial_platform.h"

struct serial_device {
  int fd;
  bool is_pty;
  port_timeouts timeouts;
  bool strip_nul;
};

namespace {

int last_code = 0;

bool fail(int code) {
  last_code = code;
  return false;
}

struct speed_row {
  long baud;
  speed_t speed;
  std::uint32_t settable;  // baud_entry::settable bit
};

const speed_row speeds[] = {
    {110, B110, 0x2},         {300, B300, 0x10},          {600, B600, 0x20},
    {1200, B1200, 0x40},      {2400, B2400, 0x100},       {4800, B4800, 0x200},
    {9600, B9600, 0x800},     {19200, B19200, 0x2000},    {38400, B38400, 0x4000},
    {57600, B57600, 0x40000}, {115200, B115200, 0x20000},
};

const speed_row* find_speed(long baud) {
  for (const speed_row& row : speeds)
    if (row.baud == baud) return &row;
  return nullptr;
}

// "COMn" is the path in ZENTROVANE_COMn when set, else /dev/ttyS<n-1>; any
// other name is taken as a path.
void port_path(const char* name, char* path, std::size_t size) {
  char* end = nullptr;
  long number = 0;
  if ((name[0] == 'C' || name[0] == 'c') && (name[1] == 'O' || name[1] == 'o') &&
      (name[2] == 'M' || name[2] == 'm'))
    number = std::strtol(name + 3, &end, 10);
  if (number < 1 || end == nullptr || *end != '\0') {
    std::snprintf(path, size, "%s", name);
    return;
  }
  char variable[48];
  std::snprintf(variable, sizeof variable, "ZENTROVANE_COM%ld", number);
  const char* mapped = std::getenv(variable);
  if (mapped != nullptr && mapped[0] != '\0')
    std::snprintf(path, size, "%s", mapped);
  else
    std::snprintf(path, size, "/dev/ttyS%ld", number - 1);
}

// A pty slave passes what it "sends" to the master at once, and flushing its
// output would discard bytes the other side has not read yet.
bool is_pty_slave(int fd, const char* path) {
#if defined(__linux__)
  (void)path;
  struct stat st;
  if (fstat(fd, &st) == 0 && S_ISCHR(st.st_mode)) {
    unsigned m = major(st.st_rdev);
    return m >= 136 && m <= 143;
  }
  return false;
#else
  (void)fd;
  return std::strncmp(path, "/dev/pts/", 9) == 0 || std::strncmp(path, "/dev/ttyp", 9) == 0;
#endif
}

timespec now() {
  timespec t;
  clock_gettime(CLOCK_MONOTONIC, &t);
  return t;
}

timespec add_ms(timespec t, unsigned long ms) {
  t.tv_sec += static_cast<time_t>(ms / 1000);
  t.tv_nsec += static_cast<long>(ms % 1000) * 1000000L;
  if (t.tv_nsec >= 1000000000L) {
    t.tv_sec += 1;
    t.tv_nsec -= 1000000000L;
  }
  return t;
}

// Time left until deadline; false once it has passed.
bool time_left(const timespec& deadline, timespec* left) {
  timespec t = now();
  left->tv_sec = deadline.tv_sec - t.tv_sec;
  left->tv_nsec = deadline.tv_nsec - t.tv_nsec;
  if (left->tv_nsec < 0) {
    left->tv_sec -= 1;
    left->tv_nsec += 1000000000L;
  }
  return left->tv_sec > 0 || (left->tv_sec == 0 && left->tv_nsec > 0);
}

serial_device* port_open(const char* name) {
  if (name == nullptr) {
    fail(EINVAL);
    return nullptr;
  }
  char path[512];
  port_path(name, path, sizeof path);
  int fd = ::open(path, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    fail(errno);
    return nullptr;
  }
  // Another holder of the lock is another program using the port.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    int code = (errno == EWOULDBLOCK) ? EBUSY : errno;
    ::close(fd);
    fail(code);
    return nullptr;
  }
  if (ioctl(fd, TIOCEXCL) != 0) {
    int code = errno;
    ::close(fd);
    fail(code);
    return nullptr;
  }
  serial_device* dev = new serial_device{fd, is_pty_slave(fd, path), {}, false};
  return dev;
}

bool port_get_caps(serial_device* dev, port_caps* caps) {
  if (dev == nullptr) return fail(EBADF);
  termios t;
  if (tcgetattr(dev->fd, &t) != 0) return fail(errno);
  caps->settable_params = 0x7F;         // parity, baud, data bits, stop bits, handshaking...
  caps->settable_data = 0x000F;         // 5, 6, 7 and 8 data bits
  caps->settable_stop_parity = 0x0705;  // 1 or 2 stop bits; no, odd or even parity
  caps->prov_capabilities = 0x00C3;     // DTR/DSR, RTS/CTS, total and interval time-outs
  caps->settable_baud = 0;
  for (const speed_row& row : speeds) caps->settable_baud |= row.settable;
#if defined(__linux__)
  caps->settable_baud |= 0x1000 | 0x8000;  // 14400 and 56000 through termios2
#endif
  return true;
}

bool port_get_line(serial_device* dev, line_settings* line) {
  if (dev == nullptr) return fail(EBADF);
  termios t;
  if (tcgetattr(dev->fd, &t) != 0) return fail(errno);
  line->baud = posix_read_rate(dev->fd);
  switch (t.c_cflag & CSIZE) {
    case CS5: line->data_bits = 5; break;
    case CS6: line->data_bits = 6; break;
    case CS7: line->data_bits = 7; break;
    default: line->data_bits = 8; break;
  }
  line->stop_bits = (t.c_cflag & CSTOPB) ? 2 : 1;
  line->parity = (t.c_cflag & PARENB) != 0;
  line->flow_control = (t.c_cflag & CRTSCTS) != 0 || (t.c_iflag & (IXON | IXOFF)) != 0;
  line->strip_nul = dev->strip_nul;
  return true;
}

bool port_set_line(serial_device* dev, const line_settings& line) {
  if (dev == nullptr) return fail(EBADF);
  termios t;
  if (tcgetattr(dev->fd, &t) != 0) return fail(errno);
  t.c_iflag &= ~(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL | IXON | IXOFF | IXANY |
                 INPCK | IGNPAR);
  t.c_oflag &= ~OPOST;
  t.c_lflag &= ~(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag &= ~(CSIZE | PARENB | PARODD | CSTOPB | CRTSCTS);
  switch (line.data_bits) {
    case 5: t.c_cflag |= CS5; break;
    case 6: t.c_cflag |= CS6; break;
    case 7: t.c_cflag |= CS7; break;
    default: t.c_cflag |= CS8; break;
  }
  if (line.stop_bits == 2) t.c_cflag |= CSTOPB;
  if (line.parity) t.c_cflag |= PARENB;
  if (line.flow_control) t.c_cflag |= CRTSCTS;
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 0;
  t.c_cc[VTIME] = 0;
  const speed_row* row = find_speed(line.baud);
  if (row != nullptr) {
    cfsetispeed(&t, row->speed);
    cfsetospeed(&t, row->speed);
  }
  if (tcsetattr(dev->fd, TCSANOW, &t) != 0) return fail(errno);
  if (row == nullptr && !posix_set_custom_rate(dev->fd, line.baud)) return fail(errno);
  // A driver may take a rate it cannot run and keep another: that is a failure.
  if (posix_read_rate(dev->fd) != line.baud) return fail(EINVAL);
  dev->strip_nul = line.strip_nul;
  return true;
}

bool port_set_timeouts(serial_device* dev, const port_timeouts& timeouts) {
  if (dev == nullptr) return fail(EBADF);
  dev->timeouts = timeouts;
  return true;
}

bool port_purge(serial_device* dev) {
  if (dev == nullptr) return fail(EBADF);
  if (tcflush(dev->fd, dev->is_pty ? TCIFLUSH : TCIOFLUSH) != 0) return fail(errno);
  return true;
}

bool port_read(serial_device* dev, void* buf, int size, int* got) {
  *got = 0;
  if (dev == nullptr) return fail(EBADF);
  const port_timeouts& t = dev->timeouts;
  const timespec deadline =
      add_ms(now(), static_cast<unsigned long>(t.read_multiplier) * static_cast<unsigned>(size) +
                        t.read_constant);
  unsigned char* out = static_cast<unsigned char*>(buf);
  while (*got < size) {
    timespec left;
    if (!time_left(deadline, &left)) break;
    pollfd p = {dev->fd, POLLIN, 0};
    int ready = ppoll(&p, 1, &left, nullptr);
    if (ready < 0) {
      if (errno == EINTR) continue;
      return fail(errno);
    }
    if (ready == 0) break;
    if ((p.revents & POLLIN) == 0) return fail(EIO);  // hang-up or error, nothing to read
    unsigned char chunk[256];
    std::size_t want = static_cast<std::size_t>(size - *got);
    if (want > sizeof chunk) want = sizeof chunk;
    ssize_t n = ::read(dev->fd, chunk, want);
    if (n < 0) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return fail(errno);
    }
    // Readable yet empty: the other end has gone (closed pty master, unplugged adapter).
    if (n == 0) return fail(EIO);
    for (ssize_t i = 0; i < n; ++i)
      if (chunk[i] != 0 || !dev->strip_nul) out[(*got)++] = chunk[i];
  }
  return true;
}

bool port_write(serial_device* dev, const void* buf, int len, int* sent) {
  *sent = 0;
  if (dev == nullptr) return fail(EBADF);
  const port_timeouts& t = dev->timeouts;
  const timespec deadline =
      add_ms(now(), static_cast<unsigned long>(t.write_multiplier) * static_cast<unsigned>(len) +
                        t.write_constant);
  const unsigned char* in = static_cast<const unsigned char*>(buf);
  while (*sent < len) {
    ssize_t n = ::write(dev->fd, in + *sent, static_cast<std::size_t>(len - *sent));
    if (n > 0) {
      *sent += static_cast<int>(n);
      continue;
    }
    if (n < 0 && errno != EAGAIN && errno != EINTR) return fail(errno);
    timespec left;
    if (!time_left(deadline, &left)) return fail(ETIMEDOUT);
    pollfd p = {dev->fd, POLLOUT, 0};
    int ready = ppoll(&p, 1, &left, nullptr);
    if (ready < 0 && errno != EINTR) return fail(errno);
    if (ready > 0 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)) != 0) return fail(EIO);
  }
  // Return once the bytes have left, as a synchronous write does. With no flow
  // control this takes at most the line time of what was queued; a pty slave
  // has handed them over already.
  if (!dev->is_pty && tcdrain(dev->fd) != 0) return fail(errno);
  return true;
}

void port_close(serial_device* dev) {
  if (dev == nullptr) return;
  ioctl(dev->fd, TIOCNXCL);
  ::close(dev->fd);
  delete dev;
}

int port_last_error() { return last_code; }

void port_error_text(int code, char* buf, std::size_t size) {
  std::snprintf(buf, size, "%s", std::strerror(code));
}

void port_pause_ms(unsigned ms) {
  timespec t = {static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
  while (nanosleep(&t, &t) != 0 && errno == EINTR) {
  }
}

const serial_ops posix_ops = {
    port_open, port_get_caps, port_get_line, port_set_line,   port_set_timeouts, port_purge,
    port_read, port_write,    port_close,    port_last_error, port_error_text,   port_pause_ms,
};

}  // namespace

const serial_ops* serial_platform = &posix_ops;
