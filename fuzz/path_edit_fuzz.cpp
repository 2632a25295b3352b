// path_edit_add on arbitrary argument texts, one line after another into the
// same tables until they fill, then the display of what was stored.
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "fuzz_support.h"
#include "path_edit.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  conf_load_defaults();
  conf_file_name = "fuzz.cfg";
  conf_line_num = 0;
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    // The first byte picks the keyword; the rest is the line after it.
    const char* p = text.data() + start;
    const std::size_t n = end - start;
    const bool subst = n == 0 || (p[0] & 1) == 0;
    char line[CONF_LINE_SIZE] = {};
    if (n > 0) std::memcpy(line, p + 1, std::min(n - 1, sizeof line - 1));
    std::strcpy(conf_line_copy, line);
    conf_comment = std::strpbrk(line, "#/;");
    ++conf_line_num;
    const std::uint16_t before = conf_rec.subst_count + conf_rec.delete_count;
    const int rc = path_edit_add(subst ? KW_SUBSTITUTEPATH : KW_DELETEPATH,
                                 subst ? "substitutepath" : "deletepath", line);
    const int after = conf_rec.subst_count + conf_rec.delete_count;
    fuzz_check(rc <= 0, "positive result");
    fuzz_check(after == before + (rc == 0 ? 1 : 0), "count change");
    fuzz_check(conf_rec.subst_count <= SUBST_PATH_MAX && after <= PATH_EDIT_MAX, "counts");
    start = end + 1;
  }
  conf_comment = nullptr;
  path_edit_display();
  return 0;
}
