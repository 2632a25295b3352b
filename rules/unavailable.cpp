// Placeholders until the rules parser and display land.
#include <cstdio>

#include "rule_rec.h"

rule_record rule_table[RULE_MAX];
int rules_processed = 0;

void rule_rec_to_wire(const rule_record&, std::uint8_t*) {}

int rules_process(const char*) {
  std::printf("\a\aError: rules is not available in this build\n");
  return 0;
}

int check_rule_dupe(int, const rule_record*) { return 0; }

void rules_display() { std::printf("\a\aError: drules is not available in this build\n"); }

const char* rule_keyword_name(int) { return "?"; }
