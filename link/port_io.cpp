// Reading and writing the open port, the system's error text and the fatal exit.
#include <cstdio>
#include <cstdlib>

#include "port_state.h"
#include "serial_port.h"

int write_port(const char* port, const void* buf, int len) {
  if (port == nullptr) {
    std::printf("write_port: Error: invalid param file port\n");
    return -1;
  }
  if (buf == nullptr) {
    std::printf("write_port: Error: invalid param buf ptr\n");
    return -2;
  }
  if (len <= 0) {
    std::printf("write_port: Error: invalid param len: %d\n", len);
    return -1;
  }
  int sent = 0;
  // A write cut short by its time-out is a failure, whatever the call says.
  if (!serial_platform->write(port_handle, buf, len, &sent) || sent != len) {
    std::printf("\a\aError: wrote %d of %d, got error on port %s: %s\n", sent, len, port,
                sys_error_text());
    return -3;
  }
  return len;
}

int read_port(const char* port, void* buf, int size, int timeout) {
  char message[1200];
  if (port == nullptr) fatal_error(25, "read_port: Error: invalid param port\n");
  if (buf == nullptr) fatal_error(25, "read_port: Error: invalid param buf ptr\n");
  if (size <= 0) {
    std::snprintf(message, sizeof message, "read_port: Error: invalid param size: %d\n", size);
    fatal_error(25, message);
  }
  port_timeouts t = comm_timeouts;
  t.read_multiplier = comm_state.baud > 0 ? static_cast<unsigned>(10000 / comm_state.baud) : 0;
  t.read_constant = static_cast<unsigned>(timeout) + 10;
  if (!serial_platform->set_timeouts(port_handle, t)) {
    std::snprintf(message, sizeof message,
                  "\a\aError: could not set the comm timeouts for port %s: %s\n", port,
                  sys_error_text());
    fatal_error(25, message);
  }
  comm_timeouts = t;
  int got = 0;
  if (!serial_platform->read(port_handle, buf, size, &got)) {
    std::snprintf(message, sizeof message, "\a\aError: could not read on COM port %s: %s\n", port,
                  sys_error_text());
    fatal_error(26, message);
  }
  return got;
}

const char* sys_error_text() {
  static char text[1024];
  serial_platform->error_text(serial_platform->last_error(), text, sizeof text);
  return text;
}

void fatal_error(int code, const char* message) {
  std::fprintf(stderr, "%s", message);
  std::fprintf(stderr, "Return code %d, system error code %d\n", code,
               serial_platform->last_error());
  if (code == 0) return;
  serial_platform->pause_ms(5000);
  std::abort();  // the port is left to the system, as the process ends
}
