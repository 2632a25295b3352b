// Action words, rule keywords and compass points, and matching them.
#include "rule_words.h"

#include <strings.h>

#include <cctype>

#include "cmd_codes.h"
#include "rule_rec.h"

const rule_word rule_actions[] = {
    {"drop", RULE_ACT_DROP},
    {"pass", RULE_ACT_PASS},
    {"implicit", RULE_ACT_IMPLICIT},
};
const int rule_action_rows = sizeof rule_actions / sizeof rule_actions[0];

// The display names a kind by the first row with its code, so "destin"
// must stay ahead of "dst" and "source" ahead of "src".
const rule_word rule_keywords[] = {
    {"implicit", RK_IMPLICIT},   {"pass", RK_PASS},     {"drop", RK_DROP},
    {"destin", RK_DESTIN},       {"dst", RK_DESTIN},    {"source", RK_SOURCE},
    {"src", RK_SOURCE},          {"circle", RK_CIRCLE}, {"compass", RK_COMPASS},
    {"rectangle", RK_RECTANGLE}, {"sector", RK_SECTOR}, {"digi", RK_DIGI},
};
const int rule_keyword_rows = sizeof rule_keywords / sizeof rule_keywords[0];

namespace {

const char* const compass_names[] = {"Error", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};
constexpr int COMPASS_POINTS = 8;

bool is_prefix_nocase(const char* word, const char* name) {
  for (; *word; ++word, ++name)
    if (*name == '\0' || std::tolower(static_cast<unsigned char>(*word)) !=
                             std::tolower(static_cast<unsigned char>(*name)))
      return false;
  return true;
}

}  // namespace

int match_rule_word(const char* word, const rule_word* table, int rows) {
  int found = WORD_NONE;
  for (int i = 0; i < rows; ++i) {
    if (!is_prefix_nocase(word, table[i].name)) continue;
    if (found != WORD_NONE) return WORD_AMBIGUOUS;
    found = i;
  }
  return found;
}

int compass_code(const char* word) {
  for (int i = 1; i <= COMPASS_POINTS; ++i)
    if (strcasecmp(word, compass_names[i]) == 0) return i;
  return 0;
}

const char* compass_name(int code) {
  return code >= 1 && code <= COMPASS_POINTS ? compass_names[code] : compass_names[0];
}

const char* rule_keyword_name(int code) {
  for (int i = 0; i < rule_keyword_rows; ++i)
    if (rule_keywords[i].code == code) return rule_keywords[i].name;
  return "?";
}
