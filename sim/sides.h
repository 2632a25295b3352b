// The simulated Zentrovane: a console that reads command lines, and the
// "sides", the protocols the device plays after particular commands.
//
// The console (console.cpp) answers the line-level commands itself: 0x03
// drops a half-typed line, "version" gives the banner, "host N" moves the
// device to rate N, an empty line gives the prompt "Zentro> ". Any other line
// is looked up in sim_sides; a side then owns the line until its play
// function returns, and the console reads command lines again.
//
// To add a side:
//   1. write sim/side_<name>.cpp with a play function
//      `void play_<name>(sim_link& link)` that uses link.get/put/pause_ms and
//      reads its options with sim_flag/sim_number/sim_text/sim_bytes, and a
//      table of those options `const sim_option <name>_options[]` ending with
//      {nullptr, nullptr, nullptr};
//   2. declare both below and add one row to sim_sides in sides.cpp: the
//      command line that starts it (without its line feed), the function and
//      its options;
//   3. list the file in sim/CMakeLists.txt.
// A play function should return when link.get returns -1 with
// link.stopping() true, and may end on 0x03 as the device's own modes do.
//
//   run_console     the command loop, until the simulator is stopped
//   play_serialtest echo every byte until 0x03
//   play_download   take the download's packets, answer them, keep the records
//   play_firmware   restart into the loader and take a firmware update
#pragma once

#include "sim_link.h"
#include "sim_options.h"

struct sim_side {
  const char* command;  // nullptr ends the table
  void (*play)(sim_link& link);
  const sim_option* options;
};

extern const sim_side sim_sides[];
extern const sim_option console_options[];

void run_console(sim_link& link);

void play_serialtest(sim_link& link);
extern const sim_option serialtest_options[];

void play_download(sim_link& link);
extern const sim_option download_options[];

void play_firmware(sim_link& link);
extern const sim_option firmware_options[];
