// The Win32 back-end: COM ports through the Windows communications API.
//
// The port is opened for synchronous input and output and not shared. The
// properties are read in two steps, as the driver may report a longer
// structure than the base one; the line is set with a DCB read from the port
// and changed only in the fields the link cares about, and read back so that
// a rate the driver quietly refused counts as the failure it is. Reads and
// writes are single blocking calls bounded by the port's time-outs.
//
// Some drivers (and Wine) ignore the request to discard received NUL bytes,
// so reads discard them here as well (see nul_reader.h).
#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "nul_reader.h"
#include "serial_platform.h"

struct serial_device {
  HANDLE handle;
  port_timeouts timeouts;
  bool strip_nul;
};

namespace {

DWORD last_code = 0;

bool fail(DWORD code) {
  last_code = code;
  return false;
}

bool fail_last() { return fail(GetLastError()); }

struct free_deleter {
  void operator()(void* p) const { std::free(p); }
};

serial_device* port_open(const char* name) {
  if (name == nullptr) {
    fail(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // The device namespace reaches every COM port, COM10 and above included.
  char path[300];
  const int len = std::snprintf(path, sizeof path, "\\\\.\\%s", name);
  if (len < 0 || static_cast<std::size_t>(len) >= sizeof path) {
    fail(ERROR_FILENAME_EXCED_RANGE);
    return nullptr;
  }
  HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    fail_last();
    return nullptr;
  }
  return new serial_device{h, {}, false};
}

bool port_get_caps(serial_device* dev, port_caps* caps) {
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  // First the base structure, to learn the size the driver wants.
  std::unique_ptr<COMMPROP, free_deleter> probe(
      static_cast<COMMPROP*>(std::calloc(1, sizeof(COMMPROP))));
  if (!probe) return fail(ERROR_NOT_ENOUGH_MEMORY);
  probe->wPacketLength = sizeof(COMMPROP);
  if (!GetCommProperties(dev->handle, probe.get())) return fail_last();

  // Then the full one. Some drivers report a length below the base structure
  // (even 1); the call still fills the base fields, so never allocate less.
  std::size_t size = probe->wPacketLength;
  if (size < sizeof(COMMPROP)) size = sizeof(COMMPROP);
  std::unique_ptr<COMMPROP, free_deleter> props(static_cast<COMMPROP*>(std::calloc(1, size)));
  if (!props) return fail(ERROR_NOT_ENOUGH_MEMORY);
  props->wPacketLength = static_cast<WORD>(size);
  props->dwProvSpec1 = COMMPROP_INITIALIZED;
  if (!GetCommProperties(dev->handle, props.get())) return fail_last();

  caps->settable_params = props->dwSettableParams;
  caps->settable_data = props->wSettableData;
  caps->settable_stop_parity = props->wSettableStopParity;
  caps->prov_capabilities = props->dwProvCapabilities;
  caps->settable_baud = props->dwSettableBaud;  // the same BAUD_* bits as the baud table
  return true;
}

bool port_get_line(serial_device* dev, line_settings* line) {
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(dev->handle, &dcb)) return fail_last();
  line->baud = static_cast<long>(dcb.BaudRate);
  line->data_bits = dcb.ByteSize;
  line->stop_bits = dcb.StopBits == TWOSTOPBITS ? 2 : 1;
  line->parity = dcb.Parity != NOPARITY;
  line->flow_control = dcb.fOutxCtsFlow || dcb.fOutxDsrFlow || dcb.fOutX || dcb.fInX ||
                       dcb.fRtsControl == RTS_CONTROL_HANDSHAKE ||
                       dcb.fDtrControl == DTR_CONTROL_HANDSHAKE;
  line->strip_nul = dcb.fNull != 0;
  return true;
}

bool port_set_line(serial_device* dev, const line_settings& line) {
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (line.baud <= 0) return fail(ERROR_INVALID_PARAMETER);
  DCB dcb = {};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(dev->handle, &dcb)) return fail_last();
  dcb.BaudRate = static_cast<DWORD>(line.baud);
  dcb.fBinary = TRUE;  // the only mode Windows supports
  dcb.ByteSize = static_cast<BYTE>(line.data_bits);
  dcb.Parity = line.parity ? EVENPARITY : NOPARITY;
  dcb.fParity = line.parity ? TRUE : FALSE;
  dcb.StopBits = line.stop_bits == 2 ? TWOSTOPBITS : ONESTOPBIT;
  dcb.fOutxCtsFlow = line.flow_control ? TRUE : FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDtrControl = DTR_CONTROL_DISABLE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fRtsControl = line.flow_control ? RTS_CONTROL_HANDSHAKE : RTS_CONTROL_DISABLE;
  dcb.fNull = line.strip_nul ? TRUE : FALSE;
  if (!SetCommState(dev->handle, &dcb)) return fail_last();

  // A driver may accept a rate it cannot run and keep another.
  DCB check = {};
  check.DCBlength = sizeof check;
  if (!GetCommState(dev->handle, &check)) return fail_last();
  if (check.BaudRate != dcb.BaudRate) return fail(ERROR_INVALID_PARAMETER);
  dev->strip_nul = line.strip_nul;
  return true;
}

bool apply_timeouts(serial_device* dev, const port_timeouts& t) {
  COMMTIMEOUTS ct = {};
  ct.ReadIntervalTimeout = t.read_interval;
  ct.ReadTotalTimeoutMultiplier = t.read_multiplier;
  ct.ReadTotalTimeoutConstant = t.read_constant;
  ct.WriteTotalTimeoutMultiplier = t.write_multiplier;
  ct.WriteTotalTimeoutConstant = t.write_constant;
  return SetCommTimeouts(dev->handle, &ct) != 0;
}

bool port_set_timeouts(serial_device* dev, const port_timeouts& timeouts) {
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (!apply_timeouts(dev, timeouts)) return fail_last();
  dev->timeouts = timeouts;
  return true;
}

// Only the receive side. Writes here are synchronous, so the transmit queue
// never holds a write still in progress, only bytes of finished writes that a
// buffering driver (USB adapters, Wine on a pseudo-terminal) has not sent
// yet: the command that moves the device to a new rate, just before the port
// is opened again at that rate. Clearing the transmit queue would lose them.
bool port_purge(serial_device* dev) {
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (!PurgeComm(dev->handle, PURGE_RXABORT | PURGE_RXCLEAR)) return fail_last();
  return true;
}

bool port_read(serial_device* dev, void* buf, int size, int* got) {
  *got = 0;
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (size <= 0) return true;
  unsigned char* out = static_cast<unsigned char*>(buf);
  if (!dev->strip_nul) {
    DWORD n = 0;
    if (!ReadFile(dev->handle, out, static_cast<DWORD>(size), &n, nullptr)) return fail_last();
    *got = static_cast<int>(n);
    return true;
  }

  const port_timeouts& standing = dev->timeouts;
  bool timeouts_changed = false;
  DWORD code = 0;
  auto read_chunk = [&](unsigned char* dst, std::size_t want, long long limit_ms, std::size_t* n) {
    if (limit_ms >= 0) {
      // At least 1 ms, as the reader guarantees: all-zero read time-outs
      // would mean no limit at all.
      port_timeouts rest = standing;
      rest.read_multiplier = 0;
      rest.read_constant = static_cast<unsigned>(limit_ms);
      timeouts_changed = true;
      if (!apply_timeouts(dev, rest)) {
        code = GetLastError();
        return false;
      }
    }
    DWORD done = 0;
    if (!ReadFile(dev->handle, dst, static_cast<DWORD>(want), &done, nullptr)) {
      code = GetLastError();
      return false;
    }
    *n = done;
    return true;
  };
  auto now_ms = [] { return static_cast<std::uint64_t>(GetTickCount64()); };
  const std::uint64_t window =
      static_cast<std::uint64_t>(standing.read_multiplier) * static_cast<std::uint64_t>(size) +
      standing.read_constant;
  std::size_t kept = 0;
  bool ok =
      read_dropping_nuls(out, static_cast<std::size_t>(size), window, read_chunk, now_ms, &kept);
  // The time-outs the caller set stay in force after the read.
  if (timeouts_changed && !apply_timeouts(dev, standing) && ok) {
    ok = false;
    code = GetLastError();
  }
  *got = static_cast<int>(kept);
  return ok ? true : fail(code);
}

bool port_write(serial_device* dev, const void* buf, int len, int* sent) {
  *sent = 0;
  if (dev == nullptr) return fail(ERROR_INVALID_HANDLE);
  if (len <= 0) return true;
  DWORD n = 0;
  const BOOL ok = WriteFile(dev->handle, buf, static_cast<DWORD>(len), &n, nullptr);
  *sent = static_cast<int>(n);
  if (!ok) return fail_last();
  // A write that ends on its time-out succeeds with fewer bytes written.
  if (n != static_cast<DWORD>(len)) return fail(ERROR_TIMEOUT);
  return true;
}

void port_close(serial_device* dev) {
  if (dev == nullptr) return;
  CloseHandle(dev->handle);
  delete dev;
}

int port_last_error() { return static_cast<int>(last_code); }

// The system's text without its final line feed; the carriage return before
// it stays, as the messages that print it expect.
void port_error_text(int code, char* buf, std::size_t size) {
  if (size == 0) return;
  buf[0] = '\0';
  const DWORD n =
      FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                     static_cast<DWORD>(code), MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf,
                     static_cast<DWORD>(size < 65535 ? size : 65535), nullptr);
  if (n == 0) {
    std::snprintf(buf, size, "system error %d", code);
    return;
  }
  const std::size_t len = std::strlen(buf);
  if (len > 0 && buf[len - 1] == '\n') buf[len - 1] = '\0';
}

void port_pause_ms(unsigned ms) { Sleep(ms); }

const serial_ops win32_ops = {
    port_open, port_get_caps, port_get_line, port_set_line,   port_set_timeouts, port_purge,
    port_read, port_write,    port_close,    port_last_error, port_error_text,   port_pause_ms,
};

}  // namespace

const serial_ops* serial_platform = &win32_ops;
