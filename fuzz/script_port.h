// A serial back-end for the fuzz targets: a device that exists only as a
// script of replies, so no target ever touches a real port or waits.
//
// Every read of the port takes its reply from the script: one count byte c,
// then that many bytes (at most the read's size and what is left; c = 255
// fills the whole read, as a device that floods the line). A read after the
// script has run out gets nothing, as from a silent device, so every loop
// that waits for quiet ends. Writes always succeed and go nowhere. With no
// script, the back-end is a machine without serial ports: every open fails.
//
//   script_port_use     make serial_platform this back-end
//   script_port_load    the replies of the next run (nullptr: no ports)
//   script_port_opens   ports opened and not yet closed
#pragma once

#include <cstddef>
#include <cstdint>

void script_port_use();
void script_port_load(const std::uint8_t* data, std::size_t size);
int script_port_opens();
