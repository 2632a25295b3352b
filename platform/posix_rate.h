// Line rates outside the standard termios speed table, and reading back the
// rate a port really runs at. Kept apart because the Linux interface for them
// cannot share a translation unit with <termios.h>.
//
//   posix_set_custom_rate  set both directions to any rate (Linux termios2)
//   posix_read_rate        the output rate in force, in baud (0 when unknown)
#pragma once

bool posix_set_custom_rate(int fd, long baud);
long posix_read_rate(int fd);
