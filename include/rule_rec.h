// The rule records the device filters by, and the rule table.
//
// A rule record is a 28-byte wire format. Its four 6-byte argument fields are
// kept as bytes already in wire order (little-endian reals, call text, single
// bytes), so only line_no needs converting; rule_rec_to_wire() does that.
// The first conf_rec.rule_count records of rule_table are valid; the rules
// parser is their only writer and also sets conf_rec.implicit_action.
//
//   rule_rec_to_wire    serialise a record to its 28 wire bytes
//   rule_put_real       store a float little-endian in an argument field
//   rule_get_real       read the float back from an argument field
//   rules_process       compile a rules file into rule_table (rules parser)
//   check_rule_dupe     line of an equal earlier rule, 0 when none
//   rule_dupe_index     index of an equal earlier rule, -1 when none
//   rules_display       the "drules" text
//   rule_keyword_name   rule keyword for a kind code, "?" when unknown
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t RULE_REC_SIZE = 28;
constexpr int RULE_MAX = 30;

constexpr std::uint8_t RULE_ACT_DROP = 4;
constexpr std::uint8_t RULE_ACT_PASS = 8;
constexpr std::uint8_t RULE_ACT_IMPLICIT = 16;

constexpr std::uint8_t RULE_MOD_PREFIX = 0x10;
constexpr std::uint8_t RULE_MOD_ANY = 0x30;
constexpr std::uint8_t RULE_MOD_SSID = 0x40;
constexpr std::uint8_t RULE_MOD_ANY_BIT = 0x20;  // set only in RULE_MOD_ANY

struct rule_record {
  std::uint8_t arg[4][6];  // arg0..arg3, contents by kind
  std::uint8_t kind;       // the rule keyword's cmd_code, 53..59
  std::uint8_t flags;      // bits 0..3 action, bits 4..7 modifiers
  std::int16_t line_no;    // rules file line that defined the rule
};
static_assert(sizeof(rule_record) == RULE_REC_SIZE);
static_assert(offsetof(rule_record, arg) == 0);
static_assert(offsetof(rule_record, kind) == 24);
static_assert(offsetof(rule_record, flags) == 25);
static_assert(offsetof(rule_record, line_no) == 26);
using rule_rec = rule_record;

constexpr std::uint8_t RULE_ACTION_MASK = 0x0F;

extern rule_record rule_table[RULE_MAX];
extern int rules_processed;

void rule_rec_to_wire(const rule_record& rec, std::uint8_t out[RULE_REC_SIZE]);
void rule_put_real(std::uint8_t field[6], float value);
float rule_get_real(const std::uint8_t field[6]);

// Rules file parser: 0 on success, a negative code on failure.
int rules_process(const char* rfp);
int check_rule_dupe(int count, const rule_record* rep);
int rule_dupe_index(int count, const rule_record& rec);
void rules_display();
const char* rule_keyword_name(int code);
