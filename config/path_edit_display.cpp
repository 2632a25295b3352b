// The "deditpath" text: both counts, then one row per path edit in use.
#include <cstdio>
#include <cstring>
#include <string>

#include "path_edit.h"

namespace {

constexpr int EDITS_OF_A_KIND = 8;
constexpr int SUBST_ENTRY_SIZE = sizeof(path_edit) + sizeof(subst_path);

char index_char(std::uint8_t index) { return index == 0 ? '*' : static_cast<char>('0' + index); }

std::string call_text(const digi_addr& a) {
  return std::string(a.call, strnlen(a.call, sizeof a.call));
}

std::string match_text(const path_edit& e) {
  if ((e.flags & 0x20) != 0) return "*";
  const std::string call = call_text(e.match);
  if ((e.flags & PE_STARRED) != 0) return call + "*";
  if ((e.flags & PE_SSID) != 0) return call + "-" + std::to_string((e.match.ssid >> 1) & 0x0F);
  return call;
}

void print_subst_path(const subst_path& path) {
  const int count = path.count < 8 ? path.count : 8;
  for (int i = 0; i < count; ++i) {
    const digi_addr& a = path.addr[i];
    const char* sep = i == 0 ? "" : ",";
    const int ssid = (a.ssid >> 1) & 0x0F;
    const char* star = (a.ssid & 0x80) != 0 ? "*" : "";
    if (ssid != 0)
      std::printf("%s%s-%d%s", sep, call_text(a).c_str(), ssid, star);
    else
      std::printf("%s%s%s", sep, call_text(a).c_str(), star);
  }
}

}  // namespace

void path_edit_display() {
  const conf_record& c = conf_rec;
  std::printf("Path Substitution: Count %2u, Max %2d, Entry size %2d, Table size %3d\n",
              unsigned{c.subst_count}, EDITS_OF_A_KIND, SUBST_ENTRY_SIZE,
              EDITS_OF_A_KIND * SUBST_ENTRY_SIZE);
  std::printf("Path Delete:       Count %2u, Max %2d, Entry size %2d, Table size %3d\n",
              unsigned{c.delete_count}, EDITS_OF_A_KIND, static_cast<int>(sizeof(path_edit)),
              EDITS_OF_A_KIND * static_cast<int>(sizeof(path_edit)));
  if (c.subst_count == 0 && c.delete_count == 0) return;
  std::printf("#  Type MIndx Match      AIndx Substitution Digi Path\n\n");

  int used = c.subst_count + c.delete_count;
  if (used > PATH_EDIT_MAX) used = PATH_EDIT_MAX;
  for (int n = 1; n <= used; ++n) {
    const path_edit& e = c.path_edits[n - 1];
    const bool subst = (e.flags & PE_SUBST) != 0;
    std::printf("%-2d  %s   %c   ", n, subst ? "Sub" : "Del", index_char(e.match_index));
    const std::string match = match_text(e);
    if (subst) {
      std::printf("%-9s    %c   ", match.c_str(), index_char(e.action_index));
      if (e.subst_index < SUBST_PATH_MAX) print_subst_path(c.subst_paths[e.subst_index]);
      std::printf("\n");
    } else {
      std::printf("%-9s    %c\n", match.c_str(), index_char(e.action_index));
    }
  }
}
