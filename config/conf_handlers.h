// Inside the configuration file parser: the line cursor shared by a line's
// keyword and its arguments, and the handlers that store each keyword.
//
//   conf_apply  check and store one keyword's arguments: 0, or a negative code
#pragma once

#include "path_edit.h"

// The one tokenizer position of the current line: the keyword and then each
// argument are cut from where the previous token ended.
struct line_cursor {
  char* pos;  // nullptr once the line is used up
  char* next(const char* delims) { return get_token(pos, delims, &pos, nullptr); }
};

// Delimiter sets of a configuration line.
inline constexpr char KEYWORD_DELIMS[] = " \t,";
inline constexpr char ARG_DELIMS[] = "#/; \t,";
inline constexpr char TEXT_DELIMS[] = "#/;\t";
inline constexpr char ICON_DELIMS[] = " \t";

int conf_apply(int code, const char* name, line_cursor& cur);
