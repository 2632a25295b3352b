#include "words.h"

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "get_token.h"

char* word_splitter::next(const char* separators) {
  return get_token(pos_, separators, &pos_, nullptr);
}

bool starts_with_nocase(const char* text, const char* prefix) {
  for (; *prefix; ++text, ++prefix)
    if (std::tolower(static_cast<unsigned char>(*text)) !=
        std::tolower(static_cast<unsigned char>(*prefix)))
      return false;
  return true;
}

long leading_number(const char* word) {
  long v = std::strtol(word, nullptr, 10);
  // Keep the value printable with %d whatever was typed.
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return v;
}

int parse_com_port(const char* word) {
  long n = leading_number(word);
  if (n == 0 && starts_with_nocase(word, "com")) n = leading_number(word + 3);
  return (n >= 1 && n <= 20) ? static_cast<int>(n) : 0;
}

bool is_link_baud(long baud) {
  for (long b : link_bauds)
    if (b == baud) return true;
  return false;
}
