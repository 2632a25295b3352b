// Opening, setting up, purging and closing the port.
#include <cstdio>

#include "conf_rec.h"
#include "port_state.h"
#include "serial_port.h"

serial_device* port_handle = nullptr;
port_timeouts comm_timeouts = {};
line_settings comm_state = {};

namespace {

int close_and_fail(int code) {
  close_port();
  return code;
}

}  // namespace

int open_port(const char* port, long baud) {
  if (port == nullptr) {
    std::printf("open_port: Error: port null argument\n");
    return -1;
  }
  close_port();  // one port per process: never leak an earlier one
  port_handle = serial_platform->open(port);
  if (port_handle == nullptr) {
    std::printf("\a\aError: cannot open COM port %s: %s\n", port, sys_error_text());
    return -2;
  }
  if (set_comm_prop(port, baud) != 0) return -3;

  // 10000 / baud is one 10-bit character in whole milliseconds.
  const unsigned char_ms = static_cast<unsigned>(10000 / comm_state.baud);
  comm_timeouts = {0, char_ms, 1, static_cast<unsigned>(20000 / comm_state.baud), 10};
  if (!serial_platform->set_timeouts(port_handle, comm_timeouts)) {
    std::printf("\a\aError: could not set the comm timeouts for port %s: %s\n", port,
                sys_error_text());
    return close_and_fail(-14);
  }
  purge_port(port);
  return 0;
}

int set_comm_prop(const char* port, long baud) {
  if (port == nullptr) {
    std::printf("set_comm_prop: Error: port null argument\n");
    return -1;
  }
  if (get_baud(baud) == nullptr) {
    std::printf("\a\aError: Invalid baud rate %ld\n", baud);
    return close_and_fail(-2);
  }
  port_caps caps = {};
  if (!serial_platform->get_caps(port_handle, &caps)) {
    std::printf("\a\aError: could not get comm properties for port %s: %s\n", port,
                sys_error_text());
    return close_and_fail(-4);
  }
  if ((caps.settable_params & CAP_PARAMS_LINE) != CAP_PARAMS_LINE) {
    std::printf(
        "\a\aError: required comm properties for port %s not settable: Settable Params 0x%08x\n",
        port, static_cast<unsigned>(caps.settable_params));
    return close_and_fail(-7);
  }
  if ((caps.settable_data & CAP_DATA_8) == 0) {
    std::printf(
        "\a\aError: 8 data bits comm properties for port %s not settable: Settable Data 0x%04x\n",
        port, static_cast<unsigned>(caps.settable_data));
    return close_and_fail(-9);
  }
  const unsigned stop_parity = CAP_STOP_1 | CAP_PARITY_NONE;
  if ((caps.settable_stop_parity & stop_parity) != stop_parity) {
    std::printf(
        "\a\aError: 1 stop bit, no parity comm properties for port %s not settable: Settable "
        "Stop & Parity 0x%04x\n",
        port, static_cast<unsigned>(caps.settable_stop_parity));
    return close_and_fail(-10);
  }
  const unsigned timeouts = CAP_TOTAL_TIMEOUTS | CAP_INTERVAL_TIMEOUTS;
  if ((caps.prov_capabilities & timeouts) != timeouts) {
    std::printf(
        "\a\aError: timeouts comm properties for port %s not settable: Settable Prov Cap 0x%08x\n",
        port, static_cast<unsigned>(caps.prov_capabilities));
    return close_and_fail(-11);
  }
  if (!serial_platform->get_line(port_handle, &comm_state)) {
    std::printf("\a\aError: could not get the comm state for port %s: %s\n", port,
                sys_error_text());
    return close_and_fail(-12);
  }
  comm_state.baud = baud;
  comm_state.data_bits = 8;
  comm_state.stop_bits = 1;
  comm_state.parity = false;
  comm_state.flow_control = false;
  comm_state.strip_nul = true;
  if (!serial_platform->set_line(port_handle, comm_state)) {
    std::printf("\a\aError: could not set the comm state for port %s: %s\n", port,
                sys_error_text());
    return close_and_fail(-13);
  }
  return 0;
}

int purge_port(const char*) {
  serial_platform->purge(port_handle);
  return 0;
}

void close_port() {
  serial_platform->close(port_handle);
  port_handle = nullptr;
}
