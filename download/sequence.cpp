// The download sequence: configuration, rules, finish, and the command
// around it that always ends the connection.
#include <cstdio>
#include <cstring>

#include "conf_rec.h"
#include "download.h"
#include "dwn_port.h"
#include "link.h"
#include "rule_rec.h"

namespace {

constexpr int DRAIN_SIZE = 64;
constexpr int DRAIN_TIMEOUT_MS = 10;

// Sends a header whose size field holds the decimal text of size (empty when
// size is negative, as in the finish packet).
int send_header(const char* name, int size) {
  char size_text[16] = "";
  if (size >= 0) std::snprintf(size_text, sizeof size_text, "%d", size);
  std::uint8_t pkt[DWN_HEADER_LEN];
  dwn_build_header(pkt, name, size_text);
  return dwn_write_pkt(pkt, DWN_HEADER_LEN);
}

}  // namespace

void dwn_build_header(std::uint8_t pp[DWN_HEADER_LEN], const char* name, const char* size_text) {
  std::memset(pp, 0, DWN_HEADER_LEN);
  std::memcpy(pp + DWN_NAME_OFF, name, strnlen(name, DWN_NAME_LEN));
  std::memcpy(pp + DWN_SIZE_OFF, size_text, strnlen(size_text, DWN_SIZE_LEN));
  dwn_frame(pp, DWN_HEADER_LEN);
}

int dwn_download() {
  const int rule_count = conf_rec.rule_count;
  // The table holds RULE_MAX records; a larger count would send memory past
  // its end, and a configuration that promises rules it never gets.
  if (rule_count > RULE_MAX) {
    std::printf("\a\aError: rule count %d is above the table's %d rules\n", rule_count, RULE_MAX);
    return -3;
  }

  std::uint8_t scratch[DRAIN_SIZE];
  dwn_port_read(scratch, DRAIN_SIZE, DRAIN_TIMEOUT_MS);  // echo of the command

  int r = send_header("conf", static_cast<int>(CONF_REC_SIZE));
  if (r != DWN_HEADER_LEN) {
    std::printf("\a\aError: writing Configuration command failed: %d\n", r);
    return -1;
  }
  std::uint8_t conf_wire[CONF_REC_SIZE];
  conf_rec_to_wire(conf_rec, conf_wire);
  r = dwn_write_file(conf_wire, static_cast<int>(CONF_REC_SIZE));
  if (r != static_cast<int>(CONF_REC_SIZE)) {
    std::printf("\a\aError: writing Configuration file failed: %d\n", r);
    return -2;
  }
  std::printf("Downloading Configuration succeeded\n");

  const int rules_size = rule_count * static_cast<int>(RULE_REC_SIZE);
  r = send_header("rules", rules_size);
  if (r != DWN_HEADER_LEN) {
    std::printf("\a\aError: writing Rules command failed: %d\n", r);
    return -3;
  }
  if (rule_count > 0) {
    std::uint8_t rules_wire[RULE_MAX * RULE_REC_SIZE] = {};
    for (int i = 0; i < rule_count; ++i)
      rule_rec_to_wire(rule_table[i], rules_wire + i * RULE_REC_SIZE);
    r = dwn_write_file(rules_wire, rules_size);
    if (r != rules_size) {
      std::printf("\a\aError: writing Rules file failed: %d\n", r);
      return -4;
    }
  }
  std::printf("Downloading Rules succeeded\n");

  r = send_header("-cestfini-", -1);
  if (r != DWN_HEADER_LEN) {
    std::printf("\a\aError: error writing finish pkt: %d\n", r);
    return -5;
  }
  return 0;
}

void download_command() {
  static const char command[] = "download\n";
  if (dwn_port_write(command, sizeof command - 1) <= 0) {
    std::printf("\a\aError: wrote Download command, got error on port %s\n", port_name);
    return;
  }
  const int r = dwn_download();
  if (r != 0) std::printf("\a\aError: Download failed: %d\n", r);
  close_connection();
  std::printf("Disconnected\n");
}
