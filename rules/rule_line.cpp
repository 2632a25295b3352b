// Reading and cutting up one rules file line.
#include "rule_line.h"

#include <cstdarg>
#include <cstring>

#include "get_token.h"
#include "input_file.h"

int rule_line::get(std::FILE* fp) {
  if (pending_ != EOF) {
    const int c = pending_;
    pending_ = EOF;
    return c;
  }
  return getc_text(fp);
}

line_status rule_line::read(std::FILE* fp) {
  // A line longer than RULE_LINE_MAX is cut; its rest is the next line.
  int len = 0;
  int c = EOF;
  while (len < RULE_LINE_MAX && (c = get(fp)) != EOF && c != '\n')
    buf[len++] = static_cast<char>(c);
  if (len == RULE_LINE_MAX) {
    // A line of exactly the maximum length still owns its line end.
    c = get(fp);
    if (c != '\n' && c != EOF) pending_ = c;
  }
  if (std::ferror(fp)) return LINE_ERROR;
  if (len == 0 && c == EOF) return LINE_END;
  buf[len] = '\0';
  std::memcpy(text, buf, len + 1);
  length = len;
  ++number;
  comment = std::strpbrk(buf, "#/;");
  pos = buf;
  return LINE_READ;
}

char* rule_line::next(const char* set) { return get_token(pos, set, &pos, nullptr); }

int rule_line::fail(int code, const char* what, ...) const {
  std::printf("\a\aError: %s[%d]: ", file, number);
  va_list args;
  va_start(args, what);
  std::vprintf(what, args);
  va_end(args);
  std::printf(":\n%s\n", text);
  return code;
}
