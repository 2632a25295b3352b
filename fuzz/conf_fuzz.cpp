// The configuration parser on arbitrary file contents, followed by both
// displays of whatever it left in the record.
#include <cstdint>
#include <cstring>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "fuzz_support.h"
#include "path_edit.h"

namespace {

memory_file* input;

bool terminated(const char* text, std::size_t size) {
  return std::memchr(text, '\0', size) != nullptr;
}

void check_record() {
  const conf_record& r = conf_rec;
  fuzz_check(r.subst_count <= SUBST_PATH_MAX, "substitution count");
  fuzz_check(r.subst_count + r.delete_count <= PATH_EDIT_MAX, "path edit count");
  fuzz_check(digi_path_count >= 0 && digi_path_count <= DIGI_PATH_MAX, "digi path count");
  fuzz_check(terminated(r.station_call, sizeof r.station_call), "station call text");
  fuzz_check(terminated(r.control_call, sizeof r.control_call), "control call text");
  for (int i = 0; i < r.subst_count + r.delete_count; ++i) {
    const path_edit& e = r.path_edits[i];
    fuzz_check(e.match_index <= 8 && e.action_index <= 8, "path edit index");
    fuzz_check(terminated(e.match.call, sizeof e.match.call), "path edit call text");
    if (e.flags & PE_SUBST) fuzz_check(e.subst_index < r.subst_count, "substitution slot");
  }
  for (int i = 0; i < r.subst_count; ++i)
    fuzz_check(r.subst_paths[i].count <= 8, "substitution path length");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  input = new memory_file("conf");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  conf_load_defaults();
  conf_processed = 0;
  input->set(data, size);
  const int rc = conf_process(input->path());
  fuzz_check(rc <= 0, "positive result");
  fuzz_check((rc == 0) == (conf_processed == 1), "processed flag");
  check_record();
  conf_display();
  path_edit_display();
  return 0;
}
