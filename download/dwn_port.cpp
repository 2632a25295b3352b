// The download's writes and reads, normally on the serial port.
#include "dwn_port.h"

#include "download.h"
#include "link.h"
#include "serial_port.h"

namespace {

int serial_write(const void* buf, int len) { return write_port(port_name, buf, len); }
int serial_read(void* buf, int size, int timeout_ms) {
  return read_port(port_name, buf, size, timeout_ms);
}

dwn_write_fn link_write = serial_write;
dwn_read_fn link_read = serial_read;

}  // namespace

void dwn_use_port(dwn_write_fn write_fn, dwn_read_fn read_fn) {
  link_write = write_fn ? write_fn : serial_write;
  link_read = read_fn ? read_fn : serial_read;
}

int dwn_port_write(const void* buf, int len) { return link_write(buf, len); }
int dwn_port_read(void* buf, int size, int timeout_ms) { return link_read(buf, size, timeout_ms); }
