// Placeholders until the serial link lands.
#include <cstdio>

#include "link.h"

int connected = 0;
char port_name[8];
unsigned char io_buf[1024];

int connect_device(long, int) {
  std::printf("\a\aError: connect is not available in this build\n");
  return 2;
}

void change_baud(long) { std::printf("\a\aError: baud is not available in this build\n"); }

void close_connection() { connected = 0; }

void serial_test(int, const char*) {
  std::printf("\a\aError: serialtest is not available in this build\n");
}
