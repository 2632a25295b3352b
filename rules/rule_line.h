// One line of a rules file while it is being parsed.
//
// The line is read into buf, which the tokenizer cuts up; text keeps the
// line as read for the messages. Each argument is taken with its own set of
// delimiters: leading delimiters are skipped, the one that ends the word is
// overwritten with NUL. comment points at the first '#', '/' or ';' of the
// line; an argument that starts after it was written inside a comment.
//
//   read_rule_line   next line of a file: LINE_READ, LINE_END or LINE_ERROR
//   next             the next word up to a delimiter of the set, or nullptr
//   after_comment    does the word start after the comment character?
//   holds_nul        did the line bring a NUL byte (no text file does)?
//   fail             print "Error: file[line]: what:" and the line, return code
#pragma once

#include <cstdio>
#include <cstring>

// Delimiter sets of the rule line's words and arguments.
inline constexpr const char* WORD_SET = " \t,";
inline constexpr const char* COORD_SET = "\t,";
inline constexpr const char* LAST_COORD_SET = "#/;\t,";
inline constexpr const char* CALL_SET = "#/;\t, ";

constexpr int RULE_LINE_MAX = 255;

inline bool is_comment_char(char c) { return c == '#' || c == '/' || c == ';'; }

enum line_status { LINE_READ, LINE_END, LINE_ERROR };

struct rule_line {
  const char* file = nullptr;  // the name as the operator typed it
  int number = 0;              // lines read so far, every line counts
  char buf[RULE_LINE_MAX + 1] = {};
  char text[RULE_LINE_MAX + 1] = {};
  int length = 0;  // bytes read into buf, NUL bytes included
  const char* comment = nullptr;
  char* pos = nullptr;

  line_status read(std::FILE* fp);
  char* next(const char* set);
  bool holds_nul() const { return std::strlen(text) != static_cast<std::size_t>(length); }
  bool after_comment(const char* word) const { return comment != nullptr && word > comment; }
  int fail(int code, const char* what, ...) const __attribute__((format(printf, 3, 4)));

 private:
  int pending_ = EOF;  // a character read ahead past a full-length line
  int get(std::FILE* fp);
};
