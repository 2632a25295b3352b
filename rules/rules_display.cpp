// The "drules" text: the implicit rule and every rule decoded from its record.
#include <cstdio>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "rule_rec.h"
#include "rule_words.h"

namespace {

// Room for any column: a float printed with "%f" is at most 47 characters.
// Longer than the usual 19, a column is still shown whole.
constexpr int COLUMN_SIZE = 72;
using column = char[COLUMN_SIZE];

const char* action_name(unsigned action) {
  if (action == RULE_ACT_PASS) return "Pass";
  if (action == RULE_ACT_DROP) return "Drop";
  return "?";
}

const char* implicit_name(unsigned action) {
  if (action == IMPLICIT_DROP) return "Drop";
  if (action == IMPLICIT_PASS) return "Pass";
  return "?";
}

double real(const rule_record& r, int field) { return rule_get_real(r.arg[field]); }

// A 6-character call has no terminator, hence the precision.
void call_text(const rule_record& r, column out) {
  const auto* call = reinterpret_cast<const char*>(r.arg[0]);
  if (r.flags & RULE_MOD_ANY_BIT)
    std::snprintf(out, COLUMN_SIZE, "*");
  else if (r.flags & RULE_MOD_PREFIX)
    std::snprintf(out, COLUMN_SIZE, "%-.*s*", 6, call);
  else if (r.flags & RULE_MOD_SSID)
    std::snprintf(out, COLUMN_SIZE, "%-.*s-%d", 6, call, r.arg[1][0]);
  else
    std::snprintf(out, COLUMN_SIZE, "%-.*s", 6, call);
}

void columns(const rule_record& r, column c[4]) {
  switch (r.kind) {
    case RK_DESTIN:
    case RK_SOURCE: call_text(r, c[0]); break;
    case RK_CIRCLE:
      std::snprintf(c[0], COLUMN_SIZE, "%-.3f mi R,", real(r, 0));
      std::snprintf(c[1], COLUMN_SIZE, "%-10.6f D Lat,", real(r, 1));
      std::snprintf(c[2], COLUMN_SIZE, "%-11.5f D Lon", real(r, 2));
      break;
    case RK_COMPASS:
      std::snprintf(c[0], COLUMN_SIZE, "%-2s Dir,", compass_name(r.arg[0][0]));
      std::snprintf(c[1], COLUMN_SIZE, "%-10.6f D Lat,", real(r, 1));
      std::snprintf(c[2], COLUMN_SIZE, "%-11.5f D Lon", real(r, 2));
      break;
    case RK_RECTANGLE:
      std::snprintf(c[0], COLUMN_SIZE, "%-10.6f D Lat1,", real(r, 0));
      std::snprintf(c[1], COLUMN_SIZE, "%-11.5f D Lon1,", real(r, 1));
      std::snprintf(c[2], COLUMN_SIZE, "%-10.6f D Lat2,", real(r, 2));
      std::snprintf(c[3], COLUMN_SIZE, "%-11.5f D Lon2", real(r, 3));
      break;
    case RK_SECTOR:
      std::snprintf(c[0], COLUMN_SIZE, "%-.3f D Ang1,", real(r, 0));
      std::snprintf(c[1], COLUMN_SIZE, "%-.3f D Ang2,", real(r, 1));
      std::snprintf(c[2], COLUMN_SIZE, "%-.3f In R,", real(r, 2));
      std::snprintf(c[3], COLUMN_SIZE, "%-.3f Out R", real(r, 3));
      break;
    case RK_DIGI: {
      const int index = r.arg[2][0];
      std::snprintf(c[0], COLUMN_SIZE, "%c,", index == 0 ? '*' : '0' + index);
      call_text(r, c[1]);
      break;
    }
  }
}

}  // namespace

void rules_display() {
  const int count = conf_rec.rule_count <= RULE_MAX ? conf_rec.rule_count : RULE_MAX;
  const char* implicit = implicit_name(conf_rec.implicit_action);
  if (count == 0) {
    std::printf("No Rules are configured!  Implicit Rule Action is %s\n", implicit);
    return;
  }
  std::printf("Rule count %d plus Implicit\n", count);
  std::printf("\n#  %-6s %-s %-9s Arguments\n", "Action", "Mods", "Command");
  std::printf("0  %-6s      %-9s\n", implicit, "Implicit");
  for (int i = 0; i < count; ++i) {
    const rule_record& r = rule_table[i];
    column c[4] = {};
    columns(r, c);
    std::printf("%-2d %-6s  %02x  %-9s %s %s %s %s\n", i + 1,
                action_name(r.flags & RULE_ACTION_MASK), r.flags & 0xF0u, rule_keyword_name(r.kind),
                c[0], c[1], c[2], c[3]);
  }
}
