// The rules parser on arbitrary file contents, then the rules display.
#include <cstdint>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "fuzz_support.h"
#include "rule_rec.h"

namespace {
memory_file* input;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  input = new memory_file("rules");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  input->set(data, size);
  const int rc = rules_process(input->path());
  fuzz_check(rc <= 0, "positive result");
  fuzz_check((rc == 0) == (rules_processed == 1), "processed flag");
  fuzz_check(conf_rec.rule_count <= RULE_MAX, "rule count");
  fuzz_check(conf_rec.implicit_action == IMPLICIT_DROP || conf_rec.implicit_action == IMPLICIT_PASS,
             "implicit action");
  for (int i = 0; i < conf_rec.rule_count; ++i) {
    const rule_record& r = rule_table[i];
    fuzz_check(r.kind >= RK_DESTIN && r.kind <= RK_DIGI, "rule kind");
    const int action = r.flags & RULE_ACTION_MASK;
    fuzz_check(action == RULE_ACT_DROP || action == RULE_ACT_PASS, "rule action");
  }
  rules_display();
  return 0;
}
