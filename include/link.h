// The connection to the device and the operations on it.
//
//   connect_device    open port_name at a rate and run the version handshake
//                     (reconnect != 0: re-open at a new rate, expect prompt)
//   change_baud       move an open connection to another rate
//   close_connection  close the port, connected = 0 (prints nothing)
//   serial_test       the "serialtest" loop-back exchange
//   hexdump           show received bytes in hexadecimal and as characters
//                     (opts picks the heading; a ruler every `every` lines)
#pragma once

#include <cstdio>

extern int connected;
extern char port_name[8];
extern unsigned char io_buf[1024];

int connect_device(long baud, int reconnect);
void change_baud(long baud);
void close_connection();
void serial_test(int code, const char* text);
void hexdump(FILE* file, int opts, const char* label, const void* buf, int len, int every);
