#include "line_input.h"

#include <cstring>

line_status read_line(std::FILE* in, char* buf, std::size_t size) {
  if (std::fgets(buf, static_cast<int>(size), in) == nullptr) {
    buf[0] = '\0';
    return line_status::end_of_input;
  }
  const std::size_t len = std::strlen(buf);
  if (len > 0 && buf[len - 1] == '\n') {
    // Text-mode input: a CR LF line end reads as one line feed.
    if (len > 1 && buf[len - 2] == '\r') {
      buf[len - 2] = '\n';
      buf[len - 1] = '\0';
    }
    return line_status::ok;
  }
  if (len + 1 < size) return line_status::ok;  // last line, no line feed
  // The buffer filled without a line feed: the line goes on.
  int c = std::fgetc(in);
  if (c == EOF) return line_status::ok;  // exactly filled, then end of input
  if (c == '\n' && len > 0 && buf[len - 1] == '\r') {
    buf[len - 1] = '\n';  // the CR of a CR LF end filled the buffer
    return line_status::ok;
  }
  while (c != '\n' && c != EOF) c = std::fgetc(in);
  return line_status::too_long;
}
