// Splitting a command line into words and reading the shell's numbers.
//
//   word_splitter   strtok-like cursor over one line; each call may use
//                   its own separators (", \t" words, ",\t" file names)
//   parse_com_port  "3", "com3", "COM3x" -> 3; 0 when not 1..20
//   link_bauds      the rates "connect" and "baud" accept
#pragma once

#include <cstddef>

inline constexpr const char* WORD_SEPARATORS = ", \t";
inline constexpr const char* FILE_NAME_SEPARATORS = ",\t";

class word_splitter {
 public:
  explicit word_splitter(char* line) : pos_(line) {}
  // Next word, or nullptr. Leading separators are skipped; the separator
  // that ends the word is overwritten with NUL and the cursor moves past it.
  char* next(const char* separators);

 private:
  char* pos_;
};

inline constexpr long link_bauds[] = {4800, 9600, 19200, 38400, 57600};

// Case-insensitive: does text begin with prefix?
bool starts_with_nocase(const char* text, const char* prefix);
// atoi-like leading decimal number that saturates instead of overflowing.
long leading_number(const char* word);
// The COM port number a word names, or 0 when it names none in 1..20.
int parse_com_port(const char* word);
bool is_link_baud(long baud);
