// The loop-back test: the device echoes every character it is sent.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cmd_codes.h"
#include "link.h"
#include "memmem_compat.h"
#include "serial_port.h"

namespace {

constexpr unsigned char FIRST_CHAR = 0x40;  // '@'
constexpr unsigned char LAST_CHAR = 0x7E;   // '~'
constexpr long CHARS_PER_ITERATION = LAST_CHAR - FIRST_CHAR + 1;

bool start_echo_mode() {
  if (write_port(port_name, "serialtest\n", 11) <= 0) {
    std::printf("\n\a\aError: wrote serialtest command, got error on port %s\n", port_name);
    return false;
  }
  unsigned char answer[1024];
  const int n = read_port(port_name, answer, sizeof answer, 1000);
  static const char banner[] = "Begin serial test: end with <ctrl>-c";
  if (memmem(answer, static_cast<std::size_t>(n), banner, sizeof banner - 1) == nullptr) {
    std::printf("\n\a\aError: did not receive the serialtest response!\n");
    hexdump(stdout, 1, "Got", answer, n, 10);
    return false;
  }
  return true;
}

bool echo_all(long count) {
  for (long i = 1; i <= count; ++i) {
    for (unsigned c = FIRST_CHAR; c <= LAST_CHAR; ++c) {
      const unsigned char out = static_cast<unsigned char>(c);
      if (write_port(port_name, &out, 1) <= 0) {
        std::printf("\n\a\aError: wrote serialtest count %ld value 0x%02x, got error on port %s\n",
                    i, c, port_name);
        return false;
      }
      unsigned char in = 0;
      if (read_port(port_name, &in, 1, 1000) != 1) {
        std::printf("\n\a\aError: did not receive the serialtest response on port %s!\n",
                    port_name);
        return false;
      }
      if (in != out) {
        std::printf("\n\a\aError: serialtest mismatch character 0x%02x, got 0x%02x\n", c,
                    static_cast<unsigned>(in));
        return false;
      }
    }
    std::printf(".");
  }
  return true;
}

}  // namespace

void serial_test(int code, const char* text) {
  if (code != CMD_SERIALTEST) {
    std::printf("\a\aError: Invalid command %d\n", code);
    return;
  }
  // The leading decimal number, 0 when there is none; huge values saturate.
  const long count = std::strtol(text, nullptr, 10);
  if (count < 1) {
    std::printf("\a\aError: Invalid iteration count: %ld\n", count);
    return;
  }
  if (!start_echo_mode() || !echo_all(count)) {
    close_connection();  // the device stays in echo mode until the next connect
    return;
  }
  std::printf("\nSerial test passed: wrote %ld characters\n", count * CHARS_PER_ITERATION);
  static const unsigned char end_echo = 0x03;
  if (write_port(port_name, &end_echo, 1) <= 0) {
    std::printf("\n\a\aError: wrote serialtest termination command, got error on port %s\n",
                port_name);
    close_connection();
  }
}
