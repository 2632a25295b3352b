#include "hex_line.h"

#include <cstring>

std::size_t hex_strip_newline(char* line) {
  std::size_t len = std::strlen(line);
  if (len > 0 && line[len - 1] == '\n') line[--len] = '\0';
  return len;
}
