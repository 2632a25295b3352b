#include "fake_port.h"

#include <cstdio>
#include <cstring>

namespace {

bool all_caps(serial_device*, port_caps* caps) {
  *caps = {0xF, CAP_DATA_8, CAP_STOP_1 | CAP_PARITY_NONE,
           CAP_TOTAL_TIMEOUTS | CAP_INTERVAL_TIMEOUTS, 0xFFFFFFFF};
  return true;
}

bool line_19200_8n1(serial_device*, line_settings* line) {
  *line = {19200, 8, 1, false, false, false};
  return true;
}

bool set_line_ok(serial_device*, const line_settings&) { return true; }
bool set_timeouts_ok(serial_device*, const port_timeouts&) { return true; }
bool purge_ok(serial_device*) { return true; }

bool read_nothing(serial_device*, void*, int, int* got) {
  *got = 0;
  return true;
}

bool write_all(serial_device*, const void*, int len, int* sent) {
  *sent = len;
  return true;
}

void close_nothing(serial_device*) {}
int no_error() { return 0; }
void system_text(int code, char* buf, std::size_t size) {
  std::snprintf(buf, size, "%s", std::strerror(code));
}
void no_pause(unsigned) {}

}  // namespace

serial_ops capable_port(const played_port& played) {
  return {
      played.open,
      all_caps,
      line_19200_8n1,
      set_line_ok,
      set_timeouts_ok,
      purge_ok,
      played.read != nullptr ? played.read : read_nothing,
      played.write != nullptr ? played.write : write_all,
      played.close != nullptr ? played.close : close_nothing,
      played.last_error != nullptr ? played.last_error : no_error,
      played.error_text != nullptr ? played.error_text : system_text,
      no_pause,
  };
}
