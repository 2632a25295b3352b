// Stand-in serial back-ends for tests and fuzz targets.
//
// A test or fuzz target that plays the device itself writes only the
// operations it cares about (open, read, write, ...) and takes the rest from
// a port that can be set to everything the link asks for: full capabilities,
// 19200 8N1 as its current line, and set-up calls that always succeed.
//
//   played_port    the operations a stand-in plays itself
//   capable_port   a whole serial_ops table of them over the capable defaults
#pragma once

#include "serial_platform.h"

// The operations a stand-in plays itself; each one left empty is the
// capable port's.
struct played_port {
  decltype(serial_ops::open) open = nullptr;              // required
  decltype(serial_ops::read) read = nullptr;              // gets nothing
  decltype(serial_ops::write) write = nullptr;            // sends all
  decltype(serial_ops::close) close = nullptr;            // does nothing
  decltype(serial_ops::last_error) last_error = nullptr;  // 0
  decltype(serial_ops::error_text) error_text = nullptr;  // strerror's text
};

// A table of `played` over a port whose get_caps reports all that the link
// checks for, whose get_line is 19200 8N1 and whose set_line, set_timeouts
// and purge succeed; pause_ms does not wait.
serial_ops capable_port(const played_port& played);
