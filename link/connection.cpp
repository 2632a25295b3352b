// The connection to the device: the connect handshake, the re-open after a
// baud change, and closing.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "link.h"
#include "memmem_compat.h"
#include "serial_port.h"

int connected = 0;
char port_name[8];
unsigned char io_buf[1024];

namespace {

constexpr int MIN_MAJOR = 2;
constexpr int MIN_MINOR = 83;

int fail_new(int code) {
  close_port();
  connected = 0;
  return code;
}

// Reads windows until one brings nothing: whatever the device was sending
// before we came is gone. A device that never falls silent (one relaying
// traffic) would hold the connect for ever, so the drain gives up after a
// while; the interrupt character that follows stops the device anyway.
void drain() {
  const auto give_up = std::chrono::steady_clock::now() + std::chrono::milliseconds(2000);
  unsigned char scratch[40];
  while (read_port(port_name, scratch, sizeof scratch, 100) > 0 &&
         std::chrono::steady_clock::now() < give_up) {
  }
  purge_port(port_name);
}

// The major number right after "Version " and the minor after the '.' that
// ends it; a version with no '.' there has minor 0.
void parse_version(const char* text, int* major, int* minor) {
  char* end = nullptr;
  *major = static_cast<int>(std::strtol(text, &end, 10));
  *minor = (end != text && *end == '.') ? std::atoi(end + 1) : 0;
}

int new_connection(long baud) {
  if (connected == 1) {
    std::printf("\a\aError: already Connected!\n");
    return 1;
  }
  if (open_port(port_name, baud) != 0) {
    std::printf("\a\aError: could not open COM port %s\n", port_name);
    return 2;
  }
  drain();
  // The interrupt character stops whatever the device is running.
  static const char command[] = "\x03\nversion\n";
  if (write_port(port_name, command, sizeof command - 1) <= 0) {
    std::printf(
        "\n\a\aError: wrote interrupt character and version command, got error on port %s\n",
        port_name);
    return fail_new(3);
  }
  const int n = read_port(port_name, io_buf, 200, 2000);
  for (int i = 0; i < n; ++i)
    if (io_buf[i] == 0 || io_buf[i] > 0x7F) io_buf[i] = '#';
  io_buf[n] = '\0';
  const char* text = reinterpret_cast<const char*>(io_buf);

  const char* product = std::strstr(text, "Zentrovane");
  if (product == nullptr) {
    std::printf("\n\a\aError: did not receive the Zentrovane prompt!\nExpected: Zentrovane\n");
    hexdump(stdout, 1, "Got", io_buf, n, 10);
    return fail_new(3);
  }
  const char* version = std::strstr(product, "Version ");
  if (version == nullptr) {
    std::printf("\n\a\aError: did not receive the Zentrovane version (minimum %d.%d)!\n", MIN_MAJOR,
                MIN_MINOR);
    return fail_new(4);
  }
  int major = 0, minor = 0;
  parse_version(version + 8, &major, &minor);
  if (major < MIN_MAJOR || (major == MIN_MAJOR && minor < MIN_MINOR)) {
    std::printf("\n\a\aError: received Zentrovane version %d.%d but minimal is %d.%d!\n", major,
                minor, MIN_MAJOR, MIN_MINOR);
    return fail_new(4);
  }
  std::printf("\aConnected at %ld\n", baud);
  connected = 1;
  return 0;
}

int fail_reopen(int code) {
  close_connection();
  return code;
}

int reopen(long baud) {
  close_port();
  if (open_port(port_name, baud) != 0) {
    std::printf("\a\aError: could not open COM port %s\n", port_name);
    connected = 0;
    return 2;
  }
  if (write_port(port_name, "\n", 1) <= 0) {
    std::printf("\a\aError: wrote CR character, got error on port %s\n", port_name);
    return fail_reopen(7);
  }
  const int n = read_port(port_name, io_buf, sizeof io_buf, 2000);
  static const char prompt[] = "Zentro> ";
  if (memmem(io_buf, static_cast<std::size_t>(n), prompt, sizeof prompt - 1) == nullptr) {
    std::printf("\a\aError: did not receive the Zentrovane prompt!\n");
    return fail_reopen(8);
  }
  std::printf("\aConnected at %ld\n", baud);
  return 0;
}

}  // namespace

int connect_device(long baud, int reconnect) {
  std::printf("Connecting at %ld...\n", baud);
  return reconnect == 0 ? new_connection(baud) : reopen(baud);
}

void change_baud(long baud) {
  char command[32];
  const int len = std::snprintf(command, sizeof command, "host %ld\n", baud);
  if (write_port(port_name, command, len) <= 0) {
    std::printf("\a\aError: wrote Host Baud command, got error on port %s\n", port_name);
    close_connection();
    return;
  }
  connect_device(baud, 1);
}

void close_connection() {
  close_port();
  connected = 0;
}
