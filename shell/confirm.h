// The operator's yes/no answers.
#pragma once

#include <cstddef>

// Reads one reply line into buf. Yes when it begins with 'y' or 'Y'; any
// other reply is no. End of input prints "\n" and counts as no.
bool read_confirmation(char* buf, std::size_t size);
