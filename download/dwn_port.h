// The download's way to the device: write_port/read_port on port_name unless
// dwn_use_port() has put something else in their place.
//
//   dwn_port_write  send len bytes; len on success, <= 0 on failure
//   dwn_port_read   wait up to the time-out for size bytes; the count read
#pragma once

int dwn_port_write(const void* buf, int len);
int dwn_port_read(void* buf, int size, int timeout_ms);
