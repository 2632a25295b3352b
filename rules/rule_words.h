// The words of a rules file: action words, rule keywords, compass points.
//
// Each table is a list of {name, code} rows searched in order. A word
// selects a row when it is a case-blind prefix of the row's name; aliases
// such as "destin" and "dst" are separate rows, so "d" matches several.
//
//   match_rule_word   index of the one matching row, WORD_NONE, WORD_AMBIGUOUS
//   compass_code      1..8 for a compass point written whole, else 0
//   compass_name      the point's name for a direction code, "Error" if none
#pragma once

struct rule_word {
  const char* name;
  int code;
};

extern const rule_word rule_actions[];
extern const int rule_action_rows;
extern const rule_word rule_keywords[];
extern const int rule_keyword_rows;

constexpr int WORD_NONE = -1;
constexpr int WORD_AMBIGUOUS = -2;

int match_rule_word(const char* word, const rule_word* table, int rows);
int compass_code(const char* word);
const char* compass_name(int code);
