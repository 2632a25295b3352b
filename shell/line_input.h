// Reading one line of operator input without ever splitting a physical line.
#pragma once

#include <cstddef>
#include <cstdio>

enum class line_status { ok, end_of_input, too_long };

// Reads one line into buf (at most size - 1 characters including its line
// feed, which is kept; a CR LF end reads as one line feed). A longer physical line is consumed to
// its end and reported as too_long, so its tail can never be taken for another line.
line_status read_line(std::FILE* in, char* buf, std::size_t size);
