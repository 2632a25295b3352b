// The diagnostic dump of received bytes: 16 to a line, in hexadecimal and as
// characters, under a heading and with a column ruler every few lines.
#include <cstdio>

#include "link.h"

namespace {

void print_heading(FILE* file, int opts, const char* label, const void* buf, int len) {
  const char* sep = (label != nullptr && label[0] != '\0') ? ": " : "";
  if (opts == 0) {
    if (label == nullptr)
      std::fprintf(file, "hexdump: buffer addr 0x%p, length %d (0x%x):\n", buf, len,
                   static_cast<unsigned>(len));
    else
      std::fprintf(file, "hexdump: %s%sbuffer addr 0x%p, length %d (0x%x):\n", label, sep, buf, len,
                   static_cast<unsigned>(len));
  } else if (opts & 1) {
    if (label == nullptr)
      std::fprintf(file, "hexdump: length %d (0x%x):\n", len, static_cast<unsigned>(len));
    else
      std::fprintf(file, "%s%slength %d (0x%x):\n", label, sep, len, static_cast<unsigned>(len));
  } else if (opts & 2) {
    std::fprintf(file, "length %d (0x%x):\n", len, static_cast<unsigned>(len));
  }
}

void print_line(FILE* file, const unsigned char* bytes, int offset, int count) {
  char line[96];
  int at = std::snprintf(line, sizeof line, "%4d %04x| ", offset, static_cast<unsigned>(offset));
  for (int j = 0; j < 16; ++j) {
    if (j < count)
      at += std::snprintf(line + at, sizeof line - at, "%02x ", bytes[j]);
    else
      at += std::snprintf(line + at, sizeof line - at, "   ");
    if (j == 7) at += std::snprintf(line + at, sizeof line - at, "  ");
  }
  at += std::snprintf(line + at, sizeof line - at, "| ");
  for (int j = 0; j < count; ++j)
    line[at++] = (bytes[j] >= 0x20 && bytes[j] <= 0x7E) ? static_cast<char>(bytes[j]) : '.';
  line[at++] = '\n';
  std::fwrite(line, 1, static_cast<std::size_t>(at), file);
}

}  // namespace

void hexdump(FILE* file, int opts, const char* label, const void* buf, int len, int every) {
  if (file == nullptr) {
    std::fprintf(stderr, "hexdump: invalid param file ptr\n");
    return;
  }
  if (buf == nullptr) {
    std::fprintf(file, "hexdump: invalid param buf ptr\n");
    return;
  }
  if (len < 0) {
    std::fprintf(file, "hexdump: invalid param len %d\n", len);
    return;
  }
  print_heading(file, opts, label, buf, len);
  const unsigned char* bytes = static_cast<const unsigned char*>(buf);
  static const char ruler[] =
      "\nDec  Hex |  0  1  2  3  4  5  6  7    8  9  a  b  c  d  e  f | 0123456789abcdef\n";
  for (int offset = 0, lines = 0; offset < len; offset += 16, ++lines) {
    if (every != 0 && lines % every == 0) std::fputs(lines == 0 ? ruler + 1 : ruler, file);
    print_line(file, bytes + offset, offset, len - offset < 16 ? len - offset : 16);
  }
}
