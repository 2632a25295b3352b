// The device operations on arbitrary device replies: the first input byte
// picks the operation, the rest is the script of what the device sends
// (script_port.h). Whatever comes back, the operation must end, and the
// port must be open exactly while a connection is.
#include <cstdint>
#include <cstdio>

#include "conf_rec.h"
#include "download.h"
#include "firmware.h"
#include "fuzz_support.h"
#include "link.h"
#include "rule_rec.h"
#include "script_port.h"
#include "serial_port.h"

namespace {

memory_file* firmware_file;

// A connection as a successful "connect" leaves it.
void open_connection() {
  std::snprintf(port_name, sizeof port_name, "COM3");
  fuzz_check(open_port(port_name, 19200) == 0, "opening the scripted port");
  connected = 1;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  // The firmware update waits for the operator's Enter.
  if (std::freopen("/dev/null", "r", stdin) == nullptr) return 1;
  script_port_use();
  static const char hex[] =
      ":020000040001F9\n:10F000000102030405060708090A0B0C0D0E0F1078\n:00000001FF\n";
  firmware_file = new memory_file("fw");
  firmware_file->set(reinterpret_cast<const std::uint8_t*>(hex), sizeof hex - 1);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  script_port_load(data + 1, size - 1);
  conf_load_defaults();
  conf_rec.rule_count = 3;
  switch (data[0] % 5) {
    case 0:
      std::snprintf(port_name, sizeof port_name, "COM3");
      connect_device(19200, 0);
      break;
    case 1:
      open_connection();
      serial_test(44, "2");
      break;
    case 2:
      open_connection();
      change_baud(9600);
      break;
    case 3:
      open_connection();
      download_command();
      fuzz_check(connected == 0, "a download always ends the connection");
      break;
    default:
      firmware(3, firmware_file->path());
      fuzz_check(connected == 0, "the firmware update makes no connection");
      break;
  }
  fuzz_check(script_port_opens() == (connected ? 1 : 0), "port open exactly while connected");
  close_connection();
  fuzz_check(script_port_opens() == 0, "closing the connection closes the port");
  return 0;
}
