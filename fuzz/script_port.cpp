#include "script_port.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "serial_platform.h"

namespace {

const std::uint8_t* script = nullptr;
std::size_t script_left = 0;
int open_count = 0;
int device_token;  // its address is the one device handle

serial_device* handle() { return reinterpret_cast<serial_device*>(&device_token); }

const serial_ops script_ops = {
    [](const char*) -> serial_device* {
      if (script == nullptr) return nullptr;
      ++open_count;
      return handle();
    },
    [](serial_device*, port_caps* caps) {
      *caps = {0xF, CAP_DATA_8, CAP_STOP_1 | CAP_PARITY_NONE,
               CAP_TOTAL_TIMEOUTS | CAP_INTERVAL_TIMEOUTS, 0xFFFFFFFF};
      return true;
    },
    [](serial_device*, line_settings* line) {
      *line = {19200, 8, 1, false, false, false};
      return true;
    },
    [](serial_device*, const line_settings&) { return true; },
    [](serial_device*, const port_timeouts&) { return true; },
    [](serial_device*) { return true; },
    [](serial_device*, void* buf, int size, int* got) {
      *got = 0;
      if (script_left == 0 || size <= 0) return true;
      const std::size_t asked = static_cast<std::size_t>(size);
      const std::uint8_t count = *script++;
      --script_left;
      std::size_t n = count == 255 ? asked : std::min<std::size_t>(count, asked);
      n = std::min(n, script_left);
      std::memcpy(buf, script, n);
      script += n;
      script_left -= n;
      *got = static_cast<int>(n);
      return true;
    },
    [](serial_device*, const void*, int len, int* sent) {
      *sent = len;
      return true;
    },
    [](serial_device* dev) {
      if (dev != nullptr) --open_count;
    },
    []() { return script == nullptr ? ENOENT : 0; },
    [](int code, char* buf, std::size_t size) {
      std::snprintf(buf, size, "%s", std::strerror(code));
    },
    [](unsigned) {},
};

}  // namespace

void script_port_use() { serial_platform = &script_ops; }

void script_port_load(const std::uint8_t* data, std::size_t size) {
  script = data;
  script_left = data == nullptr ? 0 : size;
}

int script_port_opens() { return open_count; }
