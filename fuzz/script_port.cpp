#include "script_port.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "fake_port.h"
#include "serial_platform.h"

namespace {

const std::uint8_t* script = nullptr;
std::size_t script_left = 0;
int open_count = 0;
int device_token;  // its address is the one device handle

serial_device* handle() { return reinterpret_cast<serial_device*>(&device_token); }

const serial_ops script_ops = capable_port({
    .open = [](const char*) -> serial_device* {
      if (script == nullptr) return nullptr;
      ++open_count;
      return handle();
    },
    .read =
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
    .close =
        [](serial_device* dev) {
          if (dev != nullptr) --open_count;
        },
    .last_error = []() { return script == nullptr ? ENOENT : 0; },
});

}  // namespace

void script_port_use() { serial_platform = &script_ops; }

void script_port_load(const std::uint8_t* data, std::size_t size) {
  script = data;
  script_left = data == nullptr ? 0 : size;
}

int script_port_opens() { return open_count; }
