// Line input for firmware files, shared by the check and the transfer so both
// number the lines alike (lines come from read_text_line, input_file.h).
//
// A line is read as text mode gives it: a CR LF end reads as one '\n', which
// is kept, and a line longer than the buffer comes in pieces that each count
// as a line. The text ends at its first NUL, as any C text does.
//
//   HEX_LINE_SIZE     buffer size for one piece: 511 characters and a NUL
//   hex_strip_newline remove one trailing '\n'; the remaining length
#pragma once

#include <cstddef>
#include <cstdio>

constexpr std::size_t HEX_LINE_SIZE = 512;

std::size_t hex_strip_newline(char* line);
