// The rule table, its wire form and the duplicate test.
#include <bit>
#include <cstdio>
#include <cstring>

#include "rule_rec.h"

rule_record rule_table[RULE_MAX];
int rules_processed = 0;

void rule_put_real(std::uint8_t field[6], float value) {
  const auto bits = std::bit_cast<std::uint32_t>(value);
  for (int i = 0; i < 4; ++i) field[i] = static_cast<std::uint8_t>(bits >> (8 * i));
}

float rule_get_real(const std::uint8_t field[6]) {
  std::uint32_t bits = 0;
  for (int i = 0; i < 4; ++i) bits |= std::uint32_t{field[i]} << (8 * i);
  return std::bit_cast<float>(bits);
}

void rule_rec_to_wire(const rule_record& rec, std::uint8_t out[RULE_REC_SIZE]) {
  std::memcpy(out, rec.arg, sizeof rec.arg);
  out[24] = rec.kind;
  out[25] = rec.flags;
  const auto line = static_cast<std::uint16_t>(rec.line_no);
  out[26] = static_cast<std::uint8_t>(line);
  out[27] = static_cast<std::uint8_t>(line >> 8);
}

int rule_dupe_index(int count, const rule_record& rec) {
  if (count > RULE_MAX) count = RULE_MAX;
  for (int i = 0; i < count; ++i) {
    const rule_record& r = rule_table[i];
    // Reals compare by their stored bits, so 25 and 25.0 are one radius.
    if (r.flags == rec.flags && r.kind == rec.kind &&
        std::memcmp(r.arg, rec.arg, sizeof r.arg) == 0)
      return i;
  }
  return -1;
}

int check_rule_dupe(int count, const rule_record* rep) {
  if (rep == nullptr) {
    std::printf("check_rule_dupe: Error: param rep is invalid\n");
    return -1;
  }
  const int i = rule_dupe_index(count, *rep);
  return i < 0 ? 0 : rule_table[i].line_no;
}
