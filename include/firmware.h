// Firmware replacement from an Intel HEX file.
//
// The file is checked record by record before the port is touched. The update
// then interrupts the device, resets it into its loader, synchronises,
// identifies itself and sends every record line followed by a CR, waiting for
// one reply byte after each line: ACK moves on, a fault byte resends the line
// or aborts. Lines that do not begin with ':' are skipped in both passes but
// still count in the line numbers of the messages.
// The file must stay as it was checked: a change found before the reset, or
// a record that no longer passes the check or is one too many or too few
// during the transfer, ends the update (-15) without sending what changed.
//
//   hex_to_int   value of up to len characters of hex text (blanks, a sign)
//   inhex_sum    8-bit sum of the hex pairs of a record after its colon
//   inhex_check_record  check one record line (no newline); 0 or a negative code
//   inhexverify  check every record of fp; the record count or a negative code
//   fw_progress  print the progress line: elapsed, time to completion, %, bar
//   firmware     the whole update on COM<com_port>; 0 or a negative code
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

int hex_to_int(const char* str, int len);
unsigned char inhex_sum(const char* str);
int inhex_check_record(const char* line, std::size_t len, unsigned long line_no);
int inhexverify(std::FILE* fp);

// Calendar time in whole seconds. The progress line reads the clock only
// through fw_clock so that tests can fix the elapsed time.
extern std::int64_t (*fw_clock)();
extern std::int64_t fw_start_time;
void fw_progress(unsigned done, unsigned total);

int firmware(int com_port, const char* filename);
