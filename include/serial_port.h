// Access to the one serial port of the process.
//
// Every operation takes the port's name (e.g. "COM3") for its messages and
// acts on the single open port. Failures print their own message on standard
// output and return a negative code; a failing read is fatal instead: its
// message goes to standard error and the process aborts after 5 seconds.
//
//   open_port       open and set up 8N1 at a table rate, time-outs, purge
//   set_comm_prop   check the port's capabilities and set the line
//   write_port      send len bytes; len on success, <= 0 on failure
//   read_port       wait until size bytes or the time-out window; count read
//   purge_port      discard both queues
//   close_port      release the port (nothing when already closed)
//   sys_error_text  the system's text for the last error
//   fatal_error     print to stderr, pause 5 s, abort (returns for code 0)
#pragma once

int open_port(const char* port, long baud);
int set_comm_prop(const char* port, long baud);
int write_port(const char* port, const void* buf, int len);
int read_port(const char* port, void* buf, int size, int timeout);
int purge_port(const char* port);
void close_port();
const char* sys_error_text();
void fatal_error(int code, const char* message);
