// Parsing one "substitutepath" or "deletepath" line into the path edit tables.
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "cmd_codes.h"
#include "path_edit.h"

namespace {

constexpr int INDEX_MAX = 8;  // path positions 1..8, 0 for '*'
constexpr int SUBST_MAX = 8;
constexpr int DELETE_MAX = 8;
constexpr int PATH_DIGIS_MAX = 8;
constexpr int SSID_MAX = 15;
constexpr int CALL_MAX = 6;

const char FIELD_DELIMS[] = " ,;\t";   // match index, digi match, substitution index
const char TAIL_DELIMS[] = "#/; \t,";  // delete index, substitution digis

bool is_digit(char c) { return c >= '0' && c <= '9'; }

void to_upper(char* s) {
  for (; *s != '\0'; ++s)
    if (*s >= 'a' && *s <= 'z') *s = static_cast<char>(*s - 'a' + 'A');
}

// Whole decimal number; texts too long for an int read as its limit, which
// every range test refuses.
int decimal(const char* s) {
  const long v = std::strtol(s, nullptr, 10);
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

bool after_comment(const char* token) {
  return conf_comment != nullptr && std::greater<const char*>{}(token, conf_comment);
}

void missing(const char* what) {
  std::printf("\a\aError: %s[%d]: argument(s) missing: %s\n%s\n", conf_file_name, conf_line_num,
              what, conf_line_copy);
}

// An index token: '*' for 0, else a decimal 0..8. which names it in the
// messages; the three codes are for no digit, and a value above 8.
int read_index(const char* token, const char* which, int no_digit, int too_big, int& out) {
  if (token[0] == '*') {
    out = 0;
    return 0;
  }
  if (!is_digit(token[0])) {
    std::printf("\a\aError: %s[%d]: Invalid Digi %s Index [0..%d]: %s\n%s\n", conf_file_name,
                conf_line_num, which, INDEX_MAX, token, conf_line_copy);
    return no_digit;
  }
  const int v = decimal(token);
  if (v > INDEX_MAX) {
    std::printf("\a\aError: %s[%d]: Invalid Digi %s Index [0..%d]: %d\n%s\n", conf_file_name,
                conf_line_num, which, INDEX_MAX, v, conf_line_copy);
    return too_big;
  }
  out = v;
  return 0;
}

void store_call(digi_addr& a, const char* text) {
  std::memset(a.call, 0, sizeof a.call);
  std::memcpy(a.call, text, std::strlen(text));
  to_upper(a.call);
}

int read_match(char* token, std::uint8_t kind, path_edit& e) {
  e.flags = kind;
  if (token[0] == '*') {
    e.flags |= PE_ANY;
    return 0;
  }
  if (char* star = std::strchr(token, '*')) {
    e.flags |= PE_STARRED;
    *star = '\0';
  } else if (char* dash = std::strchr(token, '-')) {
    *dash = '\0';
    const char first = dash[1];
    if (!is_digit(first)) {
      std::printf("\a\aError: %s[%d]: Digi Match: Digi %s invalid SSID range [0..15]: %c\n%s\n",
                  conf_file_name, conf_line_num, token, first, conf_line_copy);
      return -10;
    }
    const int ssid = decimal(dash + 1);
    if (ssid > SSID_MAX) {
      std::printf("\a\aError: %s[%d]: Digi Match: Digi %s invalid SSID range [0..15]: %d\n%s\n",
                  conf_file_name, conf_line_num, token, ssid, conf_line_copy);
      return -11;
    }
    e.flags |= PE_SSID;
    e.match.ssid = static_cast<std::uint8_t>(ssid << 1);
  }
  if (std::strlen(token) > CALL_MAX) {
    std::printf("\a\aError: %s[%d]: Digi Match: Digi %s exceeds length %d\n%s\n", conf_file_name,
                conf_line_num, token, CALL_MAX, conf_line_copy);
    return -12;
  }
  store_call(e.match, token);
  return 0;
}

// One digi of a substitution path, at position pos (from 1).
int read_subst_digi(char* token, int pos, digi_addr& a) {
  // Both marks are looked for in the whole token: the star usually stands
  // behind the SSID, where cutting at the dash would hide it.
  char* const star = std::strchr(token, '*');
  int ssid = 0;
  if (char* dash = std::strchr(token, '-')) {
    *dash = '\0';
    const char first = dash[1];
    if (!is_digit(first)) {
      std::printf(
          "\a\aError: %s[%d]: Digi Substitution[%d]: %s invalid SSID range [0..15]: %c\n%s\n",
          conf_file_name, conf_line_num, pos, token, first, conf_line_copy);
      return -17;
    }
    ssid = decimal(dash + 1);
    if (ssid > SSID_MAX) {
      std::printf(
          "\a\aError: %s[%d]: Digi Substitution[%d]: %s invalid SSID range [0..15]: %d\n%s\n",
          conf_file_name, conf_line_num, pos, token, ssid, conf_line_copy);
      return -18;
    }
  }
  const bool starred = star != nullptr;
  if (starred) *star = '\0';
  if (std::strlen(token) > CALL_MAX) {
    std::printf("\a\aError: %s[%d]: Digi Substitution[%d]: %s exceeds length %d\n%s\n",
                conf_file_name, conf_line_num, pos, token, CALL_MAX, conf_line_copy);
    return -19;
  }
  store_call(a, token);
  // 0x60 are the AX.25 reserved bits; 0x80 marks the digi as already repeated.
  // A starred WIDEn digi loses its SSID: its hops are used up.
  const std::uint8_t ssid_bits = static_cast<std::uint8_t>(ssid << 1);
  if (starred)
    a.ssid =
        std::strncmp(a.call, "WIDE", 4) == 0 ? 0xE0 : static_cast<std::uint8_t>(0xE0 | ssid_bits);
  else
    a.ssid = ssid == 0 ? 0xE0 : static_cast<std::uint8_t>(0x60 | ssid_bits);
  return 0;
}

int add_substitution(path_edit& e, char* rest) {
  char* token = get_token(rest, FIELD_DELIMS, &rest, nullptr);
  if (token == nullptr) {
    missing("Substitution Index");
    return -13;
  }
  int index = 0;
  if (int rc = read_index(token, "Action", -14, -15, index)) return rc;
  e.action_index = static_cast<std::uint8_t>(index);

  token = get_token(rest, TAIL_DELIMS, &rest, nullptr);
  if (token == nullptr || after_comment(token)) {
    missing("Substitution Path");
    return -16;
  }
  const int slot = conf_rec.subst_count;
  e.subst_index = static_cast<std::uint8_t>(slot);
  subst_path& path = conf_rec.subst_paths[slot];
  std::memset(&path, 0, sizeof path);
  while (token != nullptr && !after_comment(token) && path.count < PATH_DIGIS_MAX) {
    if (int rc = read_subst_digi(token, path.count + 1, path.addr[path.count])) return rc;
    ++path.count;
    token = get_token(rest, TAIL_DELIMS, &rest, nullptr);
  }

  const int dupe = check_path_edit_dupe(&e);
  if (dupe != 0) {
    if (dupe > 0)
      std::printf("\a\aError: %s[%d]: Duplicate Path Substitution at entry %d\n", conf_file_name,
                  conf_line_num, dupe);
    return -20;
  }
  if (index != 0 && index + path.count - 1 > INDEX_MAX) {
    std::printf(
        "\a\aError: %s[%d]: Digi Substitution Index (%d) and Number of Substitution Digis (%d) "
        "exceeds Maximum (%d)\n%s\n",
        conf_file_name, conf_line_num, index, path.count, INDEX_MAX, conf_line_copy);
    return -20;
  }
  ++conf_rec.subst_count;
  return 0;
}

int add_delete(path_edit& e, char* rest) {
  char* token = get_token(rest, TAIL_DELIMS, &rest, nullptr);
  if (token == nullptr) {
    missing("Delete Index");
    return -21;
  }
  int index = 0;
  if (int rc = read_index(token, "Action", -22, -23, index)) return rc;
  e.action_index = static_cast<std::uint8_t>(index);

  const int dupe = check_path_edit_dupe(&e);
  if (dupe != 0) {
    if (dupe > 0)
      std::printf("\a\aError: %s[%d]: Duplicate Path Delete at entry %d\n", conf_file_name,
                  conf_line_num, dupe);
    return -20;
  }
  ++conf_rec.delete_count;
  return 0;
}

}  // namespace

int path_edit_add(int code, const char* cmd_name, char* args) {
  if (cmd_name == nullptr) {
    std::printf("path_edit_add: Error: invalid param cmd_name ptr\n");
    return -1;
  }
  if (code != KW_SUBSTITUTEPATH && code != KW_DELETEPATH) {
    std::printf("path_edit_add: Error: invalid command: %d\n", code);
    return -2;
  }
  if (args == nullptr) {
    std::printf("path_edit_add: Error: invalid param args ptr\n");
    return -3;
  }
  const bool subst = code == KW_SUBSTITUTEPATH;
  if (subst && conf_rec.subst_count >= SUBST_MAX) {
    std::printf("\a\aError: %s[%d]: substitutions are full: %d\n%s\n", conf_file_name,
                conf_line_num, SUBST_MAX, conf_line_copy);
    return -4;
  }
  if (!subst && conf_rec.delete_count >= DELETE_MAX) {
    std::printf("\a\aError: %s[%d]: deletes are full: %d\n%s\n", conf_file_name, conf_line_num,
                DELETE_MAX, conf_line_copy);
    return -5;
  }

  path_edit& e = conf_rec.path_edits[conf_rec.subst_count + conf_rec.delete_count];
  std::memset(&e, 0, sizeof e);

  char* rest = args;
  char* token = get_token(rest, FIELD_DELIMS, &rest, nullptr);
  if (token == nullptr) {
    missing("Match Index");
    return -6;
  }
  int index = 0;
  if (int rc = read_index(token, "Match", -7, -8, index)) return rc;
  e.match_index = static_cast<std::uint8_t>(index);

  token = get_token(rest, FIELD_DELIMS, &rest, nullptr);
  if (token == nullptr) {
    missing("Digi Match");
    return -9;
  }
  if (int rc = read_match(token, subst ? PE_SUBST : PE_DELETE, e)) return rc;

  return subst ? add_substitution(e, rest) : add_delete(e, rest);
}

int check_path_edit_dupe(const path_edit* poe) {
  if (poe == nullptr) {
    std::printf("check_path_edit_dupe: Error: invalid param poe ptr\n");
    return -1;
  }
  const int used = conf_rec.subst_count + conf_rec.delete_count;
  for (int i = 0; i < used && i < PATH_EDIT_MAX; ++i) {
    const path_edit& o = conf_rec.path_edits[i];
    if (&o == poe) continue;
    if (o.flags == poe->flags && o.match_index == poe->match_index &&
        o.action_index == poe->action_index &&
        std::memcmp(&o.match, &poe->match, sizeof o.match) == 0)
      return i + 1;
  }
  return 0;
}
