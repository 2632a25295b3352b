// Compiling a rules file into the rule table and the implicit action.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "input_file.h"
#include "rule_args.h"
#include "rule_line.h"
#include "rule_rec.h"
#include "rule_words.h"

namespace {

struct rules_run {
  rule_line ln;
  int accepted = 0;
  int implicit_lines = 0;
  // The true line of each accepted rule: line_no is 16 bits on the wire
  // and would wrap in a very long file.
  int rule_lines[RULE_MAX] = {};
};

// One line: 0 when it was blank, a comment, an implicit line or a new rule.
int process_line(rules_run& run) {
  rule_line& ln = run.ln;
  const char* action_word = ln.next(WORD_SET);
  if (action_word == nullptr || is_comment_char(action_word[0])) return 0;
  const int a = match_rule_word(action_word, rule_actions, rule_action_rows);
  if (a == WORD_NONE) return ln.fail(-3, "action %s invalid", action_word);
  if (a == WORD_AMBIGUOUS) return ln.fail(-3, "action %s ambiguous", action_word);
  const int action = rule_actions[a].code;
  if (action != RULE_ACT_DROP && action != RULE_ACT_PASS && action != RULE_ACT_IMPLICIT) {
    std::printf("\a\aInternal Error: processing error 1: %s[%d]:\n%s\n", ln.file, ln.number,
                ln.text);
    return -4;
  }

  const char* keyword = ln.next(WORD_SET);
  if (keyword == nullptr) return ln.fail(-72, "missing arguments");
  if (is_comment_char(keyword[0])) return ln.fail(-5, "missing command");
  if (run.accepted == RULE_MAX) return ln.fail(-6, "rule limit (%d) exceeded", RULE_MAX);
  const int k = match_rule_word(keyword, rule_keywords, rule_keyword_rows);
  if (k == WORD_NONE) return ln.fail(-7, "command %s invalid", keyword);
  if (k == WORD_AMBIGUOUS) return ln.fail(-7, "command %s ambiguous", keyword);
  const int kind = rule_keywords[k].code;

  switch (kind) {
    case RK_IMPLICIT:
    case RK_PASS:
    case RK_DROP: {
      const bool drop = kind == RK_DROP || (kind == RK_IMPLICIT && action == RULE_ACT_DROP);
      conf_rec.implicit_action = drop ? IMPLICIT_DROP : IMPLICIT_PASS;
      ++run.implicit_lines;
      return 0;
    }
    case RK_DESTIN:
    case RK_SOURCE:
    case RK_CIRCLE:
    case RK_COMPASS:
    case RK_RECTANGLE:
    case RK_SECTOR:
    case RK_DIGI: break;
    default:
      std::printf("\a\aError: Internal processing error 2: %s[%d]:\n%s\n", ln.file, ln.number,
                  ln.text);
      return -70;
  }
  // The code of "implicit" is the prefix modifier's bit: a rule cannot
  // carry it as its action.
  if (action == RULE_ACT_IMPLICIT)
    return ln.fail(-3, "action %s only sets the implicit rule, use pass or drop", action_word);

  rule_record rec{};
  rec.kind = static_cast<std::uint8_t>(kind);
  rec.flags = static_cast<std::uint8_t>(action);
  rec.line_no = static_cast<std::int16_t>(ln.number);
  if (int rc = read_rule_args(ln, kind, rec)) return rc;
  const int dupe = rule_dupe_index(run.accepted, rec);
  if (dupe >= 0) {
    std::printf("\a\aError: %s[%d]: Duplicate Rule on line %d\n", ln.file, ln.number,
                run.rule_lines[dupe]);
    return -71;
  }
  rule_table[run.accepted] = rec;
  run.rule_lines[run.accepted] = ln.number;
  ++run.accepted;
  return 0;
}

}  // namespace

int rules_process(const char* rfp) {
  if (rfp == nullptr) {
    std::printf("rules_process: Error: param rfp is invalid\n");
    return -1;
  }
  file_ptr fp(open_input_file(rfp));
  if (!fp) {
    std::printf("\a\aError: cannot open %s\n", rfp);
    return -2;
  }
  std::memset(rule_table, 0, sizeof rule_table);
  conf_rec.rule_count = 0;
  conf_rec.implicit_action = IMPLICIT_PASS;
  rules_processed = 0;

  auto run = std::make_unique<rules_run>();
  run->ln.file = rfp;
  for (;;) {
    const line_status st = run->ln.read(fp.get());
    if (st == LINE_END) break;
    if (st == LINE_ERROR) {
      // A file that breaks off is not a complete rule set.
      std::printf("\a\aError: cannot read %s: %s\n", rfp, std::strerror(errno));
      return -73;
    }
    // A NUL byte would end the line's text early and hide the rest of it:
    // this is not a text file.
    if (run->ln.holds_nul()) return run->ln.fail(-74, "NUL character in line");
    if (int rc = process_line(*run)) return rc;
  }
  conf_rec.rule_count = static_cast<std::uint16_t>(run->accepted);
  rules_processed = 1;
  std::printf("Rules processed %d, implicit %d\n", run->accepted, run->implicit_lines);
  return 0;
}
