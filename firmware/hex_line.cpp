#include "hex_line.h"

#include <cstring>

#if defined(_WIN32)
#define getc_unlocked _getc_nolock  // the Windows C runtime's name for it
#endif

bool hex_read_line(std::FILE* fp, char* buf, std::size_t size) {
  std::size_t n = 0;
  while (n + 1 < size) {
    int c = getc_unlocked(fp);
    if (c == EOF) break;
    if (c == '\r') {
      int next = getc_unlocked(fp);
      if (next == '\n') {
        c = '\n';
      } else if (next != EOF) {
        ungetc(next, fp);
      }
    }
    buf[n++] = static_cast<char>(c);
    if (c == '\n') break;
  }
  buf[n] = '\0';
  return n > 0;
}

std::size_t hex_strip_newline(char* line) {
  std::size_t len = std::strlen(line);
  if (len > 0 && line[len - 1] == '\n') line[--len] = '\0';
  return len;
}
