// Reading a configuration file: line by line into conf_rec, stopping at the
// first faulty line.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "cmd_codes.h"
#include "conf_handlers.h"
#include "conf_rec.h"
#include "input_file.h"
#include "path_edit.h"

const char* conf_file_name = "";
int conf_line_num = 0;
char conf_line_copy[CONF_LINE_SIZE];
const char* conf_comment = nullptr;

namespace {

struct keyword {
  const char* name;
  int code;
};

// Searched in this order; a word matches every keyword it is a prefix of.
constexpr keyword conf_keywords[] = {
    {"call", KW_CALL},
    {"ssid", KW_SSID},
    {"position", KW_POSITION},
    {"base", KW_POSITION},
    {"lat", KW_LAT},
    {"lon", KW_LON},
    {"altitude", KW_ALTITUDE},
    {"havegps", KW_HAVEGPS},
    {"log", KW_LOG},
    {"dropmangled", KW_DROPMANGLED},
    {"haltonerr", KW_HALTONERR},
    {"fixvalid", KW_FIXVALID},
    {"host", KW_HOST},
    {"tnc", KW_TNC},
    {"gps", KW_GPS},
    {"nsr", KW_NSR},
    {"relaydrop", KW_RELAYDROP},
    {"widemax", KW_WIDEMAX},
    {"widetotal", KW_WIDETOTAL},
    {"dupewin", KW_DUPEWIN},
    {"ratelimcall", KW_RATELIMCALL},
    {"nonaprs", KW_NONAPRS},
    {"digipath", KW_DIGIPATH},
    {"beacon", KW_BEACON},
    {"icon", KW_ICON},
    {"bcomment", KW_BCOMMENT},
    {"controlcall", KW_CONTROLCALL},
    {"substitutepath", KW_SUBSTITUTEPATH},
    {"deletepath", KW_DELETEPATH},
    {"uitrace", KW_UITRACE},
};
static_assert(sizeof conf_keywords / sizeof conf_keywords[0] == 30);

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool is_prefix_of(const char* word, const char* name) {
  for (; *word != '\0'; ++word, ++name)
    if (*name == '\0' || lower(*word) != *name) return false;
  return true;
}

// Finds the one keyword the word names: nullptr after the message when it
// names none or several.
const keyword* match_keyword(const char* word) {
  const keyword* found = nullptr;
  int matches = 0;
  for (const keyword& k : conf_keywords) {
    if (!is_prefix_of(word, k.name)) continue;
    // "position" and "base" are one keyword under two names.
    if (found == nullptr || found->code != k.code) ++matches;
    if (found == nullptr) found = &k;
  }
  if (matches == 1) return found;
  std::printf(matches > 1 ? "\a\aError: %s[%d]: Ambiguous command: %s: %s\n"
                          : "\a\aError: %s[%d]: command %s invalid: %s\n",
              conf_file_name, conf_line_num, word, conf_line_copy);
  return nullptr;
}

// Reads every line of an open file into conf_rec; 0 at its end.
int process_lines(std::FILE* f) {
  char line[CONF_LINE_SIZE];
  int items = 0;
  while (int len = static_cast<int>(read_text_line(f, line, sizeof line))) {
    if (line[len - 1] == '\n') line[--len] = '\0';
    ++conf_line_num;
    std::strcpy(conf_line_copy, line);  // up to the first NUL byte
    if (std::strlen(line) != static_cast<std::size_t>(len)) {
      // A text file holds no NUL bytes; this is not the file meant.
      std::printf("\a\aError: %s[%d]: NUL character in line: %s\n", conf_file_name, conf_line_num,
                  conf_line_copy);
      return -11;
    }
    conf_comment = std::strpbrk(line, "#/;");

    line_cursor cur{line};
    const char* word = cur.next(KEYWORD_DELIMS);
    if (word == nullptr || std::strchr("#/;", word[0]) != nullptr) continue;
    const keyword* k = match_keyword(word);
    if (k == nullptr) return -7;
    ++items;
    if (int rc = conf_apply(k->code, k->name, cur)) return rc;
  }
  if (std::ferror(f)) {
    std::printf("\a\aError: %s[%d]: cannot read the file: %s\n", conf_file_name, conf_line_num,
                std::strerror(errno));
    return -11;
  }
  conf_processed = 1;
  std::printf("Configuration items processed %d\n", items);
  return 0;
}

}  // namespace

int conf_process(const char* file_name) {
  if (file_name == nullptr) {
    std::printf("conf_process: Error: param conf_fp is invalid\n");
    return -1;
  }
  conf_file_name = file_name;
  file_ptr f(open_input_file(file_name));
  if (f == nullptr) {
    std::printf("\a\aError: cannot open %s\n", file_name);
    return -2;
  }

  conf_line_num = 0;
  conf_comment = nullptr;
  const std::uint16_t rule_count = conf_rec.rule_count;
  const std::uint16_t implicit_action = conf_rec.implicit_action;
  conf_load_defaults();
  conf_rec.rule_count = rule_count;
  conf_rec.implicit_action = implicit_action == IMPLICIT_DROP ? IMPLICIT_DROP : IMPLICIT_PASS;

  const int rc = process_lines(f.get());
  // Both pointed into buffers that end with this call.
  conf_comment = nullptr;
  conf_file_name = "";
  return rc;
}
