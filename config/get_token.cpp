// A tokenizer that keeps its position in the caller's hands, so that several
// texts can be cut at the same time.
#include <cstring>

#include "path_edit.h"

namespace {

bool is_delim(char c, const char* delims) { return c != '\0' && std::strchr(delims, c) != nullptr; }

}  // namespace

char* get_token(char* text, const char* delims, char** rest, char* ending) {
  if (delims == nullptr) delims = "";
  if (text != nullptr)
    while (is_delim(*text, delims)) ++text;
  if (text == nullptr || *text == '\0') {
    if (rest != nullptr) *rest = nullptr;
    if (ending != nullptr) *ending = '\0';
    return nullptr;
  }
  char* end = text;
  while (*end != '\0' && !is_delim(*end, delims)) ++end;
  if (ending != nullptr) *ending = *end;
  if (*end != '\0') *end++ = '\0';
  if (rest != nullptr) *rest = end;
  return text;
}
