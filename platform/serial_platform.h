// The operating system's serial port, behind a small table of operations.
//
// The port operations of the link are written once against this table; the
// back-end that fills it is chosen at build time in platform/CMakeLists.txt
// (termios on POSIX systems). A back-end keeps its own error code: every
// operation that fails records it, and last_error/error_text report the most
// recent one, so messages printed in between cannot disturb it. Tests may
// point serial_platform at a table of their own.
//
// The capability bits use the values the device link checks for (the same
// numbering as the Windows communications properties), so every back-end
// reports them alike.
//
//   open          open a port by name ("COMn" or a path) for exclusive use
//   get_caps      what the port can be set to
//   get_line      the current line settings
//   set_line      apply line settings; the rate is read back to confirm it
//   set_timeouts  the time-outs of later reads and writes
//   purge         discard unread input and output not yet sent
//   read          wait until size bytes or the read time-out; count read
//   write         send len bytes within the write time-out, until they left
//   close         release the port (nullptr does nothing)
//   last_error    the system's code of the last failure
//   error_text    the system's text for an error code
//   pause_ms      sleep
#pragma once

#include <cstddef>
#include <cstdint>

// Settable parameters: parity, baud, data bits and stop bits.
constexpr std::uint32_t CAP_PARAMS_LINE = 0xF;
constexpr std::uint16_t CAP_DATA_8 = 0x8;
constexpr std::uint16_t CAP_STOP_1 = 0x1;
constexpr std::uint16_t CAP_PARITY_NONE = 0x100;
constexpr std::uint32_t CAP_TOTAL_TIMEOUTS = 0x40;
constexpr std::uint32_t CAP_INTERVAL_TIMEOUTS = 0x80;

struct port_caps {
  std::uint32_t settable_params;
  std::uint16_t settable_data;
  std::uint16_t settable_stop_parity;
  std::uint32_t prov_capabilities;
  std::uint32_t settable_baud;  // baud_entry::settable bits of the rates it takes
};

struct line_settings {
  long baud;
  int data_bits;      // 5 to 8
  int stop_bits;      // 1 or 2
  bool parity;        // parity generated and checked
  bool flow_control;  // any hardware or software flow control
  bool strip_nul;     // received NUL bytes are discarded
};

// All in milliseconds. A read ends when its bytes have arrived or after
// read_multiplier x size + read_constant; a write gives up after
// write_multiplier x len + write_constant. An interval of 0 sets no limit
// between characters.
struct port_timeouts {
  unsigned read_interval;
  unsigned read_multiplier;
  unsigned read_constant;
  unsigned write_multiplier;
  unsigned write_constant;
};

struct serial_device;  // one open port, owned by the back-end

struct serial_ops {
  serial_device* (*open)(const char* name);
  bool (*get_caps)(serial_device* dev, port_caps* caps);
  bool (*get_line)(serial_device* dev, line_settings* line);
  bool (*set_line)(serial_device* dev, const line_settings& line);
  bool (*set_timeouts)(serial_device* dev, const port_timeouts& timeouts);
  bool (*purge)(serial_device* dev);
  bool (*read)(serial_device* dev, void* buf, int size, int* got);
  bool (*write)(serial_device* dev, const void* buf, int len, int* sent);
  void (*close)(serial_device* dev);
  int (*last_error)();
  void (*error_text)(int code, char* buf, std::size_t size);
  void (*pause_ms)(unsigned ms);
};

extern const serial_ops* serial_platform;
