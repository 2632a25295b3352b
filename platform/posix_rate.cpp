#include "posix_rate.h"

#include <cerrno>

#if defined(__linux__)
#include <asm/ioctls.h>
#include <asm/termbits.h>

extern "C" int ioctl(int fd, unsigned long request, ...);

bool posix_set_custom_rate(int fd, long baud) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return false;
  t.c_cflag &= ~(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = static_cast<speed_t>(baud);
  t.c_ospeed = static_cast<speed_t>(baud);
  return ioctl(fd, TCSETS2, &t) == 0;
}

long posix_read_rate(int fd) {
  struct termios2 t;
  if (ioctl(fd, TCGETS2, &t) != 0) return 0;
  return static_cast<long>(t.c_ospeed);
}

#else
#include <termios.h>

bool posix_set_custom_rate(int, long) {
  errno = EINVAL;
  return false;
}

long posix_read_rate(int fd) {
  struct termios t;
  if (tcgetattr(fd, &t) != 0) return 0;
  // Where speed_t holds the rate itself (the BSDs), this is the baud value.
  return static_cast<long>(cfgetospeed(&t));
}
#endif
