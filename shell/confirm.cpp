#include "confirm.h"

#include <cstdio>

#include "line_input.h"

bool read_confirmation(char* buf, std::size_t size) {
  if (read_line(stdin, buf, size) == line_status::end_of_input) {
    std::printf("\n");
    return false;
  }
  return buf[0] == 'y' || buf[0] == 'Y';
}
