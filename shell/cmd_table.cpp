#include "cmd_table.h"

#include <cstdio>

#include "cmd_codes.h"
#include "conf_rec.h"
#include "words.h"

const cmd_entry cmd_table[] = {
    {1, CMD_HELP, "help", "", "Displays this summary (alias ?)"},
    {0, CMD_HELP, "?", "", "Displays this summary"},
    {1, CMD_REPEAT, ".", "", "Repeats the previous command"},
    {1, CMD_ANGLES, "angles", "", "Displays the Angles format used for Lat and Lon"},
    {1, CMD_BAUD, "baud", "baud",
     "Changes the baud rates on host and Zentrovane\n\t\t\t\tonce connected. Default [ ]"},
    {1, CMD_CONFIGURE, "configure", "file_name", "Reads a Configuration file"},
    {1, CMD_DCONFIGURE, "dconfigure", "", "Displays the Configuration"},
    {1, CMD_RULES, "rules", "file_name", "Reads a Rules file"},
    {1, CMD_DRULES, "drules", "", "Displays the Rules"},
    {1, CMD_DEDITPATH, "deditpath", "", "Displays the all the Path Edits"},
    {1, CMD_CONNECT, "connect", "com_port [baud]",
     "Connect to Zentrovane at optional baud\n\t\t\t\t(8 bits No Parity 1 Stop)"},
    {1, CMD_DISCONNECT, "disconnect", "", "Disconnect from the Zentrovane"},
    {1, CMD_DOWNLOAD, "download", "", "Download Configuration and Rules to Zentrovane"},
    {1, CMD_FIRMWARE, "firmware", "com_port file_name",
     "Update Zentrovane firmware from firmware file"},
    {1, CMD_SERIALTEST, "serialtest", "iterations",
     "Serial data test for the specified iterations"},
    {1, CMD_EXIT, "exit", "", "Exits this program (aliases quit, x)"},
    {0, CMD_EXIT, "quit", "", "Same as exit"},
    {0, CMD_EXIT, "x", "", "Same as exit"},
};
const int cmd_table_size = sizeof cmd_table / sizeof cmd_table[0];
static_assert(sizeof cmd_table / sizeof cmd_table[0] == 18);

match_result match_command(const char* word, const cmd_entry** entry) {
  const cmd_entry* first = nullptr;
  for (const cmd_entry& e : cmd_table) {
    // The name must begin with the word, so a longer word never matches.
    if (!starts_with_nocase(e.name, word)) continue;
    if (first != nullptr) return match_result::ambiguous;
    first = &e;
  }
  *entry = first;
  return first ? match_result::found : match_result::unknown;
}

void help_summary() {
  const long default_rate = conf_rec.have_gps ? conf_rec.gps_baud : conf_rec.host_baud;
  std::printf("\n\t\tCommand Summary:\n%-10s %-20s %s\n", "Command", "Arguments", "Comments");
  for (const cmd_entry& e : cmd_table) {
    if (e.shown != 1) continue;
    std::printf("%-10s %-20s %s\n", e.name, e.args, e.comment);
    if (e.code != CMD_BAUD) continue;
    std::printf("%-10s Valid Baud Rates:\t", "");
    for (long rate : link_bauds) std::printf(rate == default_rate ? "[%ld] " : "%ld ", rate);
    std::printf("\n");
  }
}
