#include "line_input.h"

#include <cstring>

line_status read_line(std::FILE* in, char* buf, std::size_t size) {
  if (std::fgets(buf, static_cast<int>(size), in) == nullptr) {
    buf[0] = '\0';
    return line_status::end_of_input;
  }
  const std::size_t len = std::strlen(buf);
  if (len > 0 && buf[len - 1] == '\n') return line_status::ok;
  if (len + 1 < size) return line_status::ok;  // last line, no line feed
  // The buffer filled without a line feed: the line goes on.
  int c = std::fgetc(in);
  if (c == EOF) return line_status::ok;  // exactly filled, then end of input
  while (c != '\n' && c != EOF) c = std::fgetc(in);
  return line_status::too_long;
}
