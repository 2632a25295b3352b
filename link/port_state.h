// The one open port of the process and its settings, shared by the port
// operations in port_setup.cpp and port_io.cpp.
#pragma once

#include "serial_platform.h"

extern serial_device* port_handle;   // nullptr while closed
extern port_timeouts comm_timeouts;  // standing time-outs of the open
extern line_settings comm_state;     // line settings as last applied
