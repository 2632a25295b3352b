#include "commands.h"

#include <cstdio>
#include <cstring>

#include "angles.h"
#include "cmd_codes.h"
#include "cmd_table.h"
#include "conf_rec.h"
#include "confirm.h"
#include "download.h"
#include "firmware.h"
#include "link.h"
#include "path_edit.h"
#include "rule_rec.h"
#include "words.h"

namespace {

constexpr std::size_t CMD_WORD_MAX = 39;
constexpr std::size_t REPLY_SIZE = 256;
constexpr std::size_t FIRMWARE_REPLY_SIZE = 40;

// Reads a COM port word; prints the refusal and gives 0 when it is bad.
int checked_com_port(const char* word) {
  int n = parse_com_port(word);
  if (n == 0) std::printf("\a\aError: invalid COM port number (1..20): %s\n", word);
  return n;
}

// Reads a baud word; prints the refusal and gives 0 when it is no link rate.
long checked_baud(long value) {
  if (is_link_baud(value)) return value;
  std::printf("\a\aError: invalid baud rate: %d\n", static_cast<int>(value));
  return 0;
}

void cmd_configure(word_splitter& words) {
  const char* name = words.next(FILE_NAME_SEPARATORS);
  if (name == nullptr) {
    std::printf("\a\aError: missing argument: file_name\n");
    return;
  }
  if (conf_process(name) != 0) std::printf("\a\aError: Configuration processing failed\n");
}

void cmd_rules(word_splitter& words) {
  const char* name = words.next(FILE_NAME_SEPARATORS);
  if (name == nullptr) {
    std::printf("\a\aError: missing argument: file_name\n");
    return;
  }
  if (rules_process(name) != 0) std::printf("\a\aError: Rule processing failed\n");
}

void cmd_connect(word_splitter& words) {
  if (connected) {
    std::printf("\a\aError: already Connected!\n");
    return;
  }
  const char* port_word = words.next(WORD_SEPARATORS);
  if (port_word == nullptr) {
    std::printf("\a\aError: missing argument: com_port\n");
    return;
  }
  const int port = checked_com_port(port_word);
  if (port == 0) return;
  const char* baud_word = words.next(WORD_SEPARATORS);
  long rate = baud_word ? leading_number(baud_word)
                        : (conf_rec.have_gps ? conf_rec.gps_baud : conf_rec.host_baud);
  if (checked_baud(rate) == 0) return;
  std::snprintf(port_name, sizeof port_name, "COM%d", port);
  connect_device(rate, 0);
}

void cmd_baud(word_splitter& words) {
  if (!connected) {
    std::printf("\a\aError: must be Connected before changing the Baud!\n");
    return;
  }
  const char* baud_word = words.next(WORD_SEPARATORS);
  if (baud_word == nullptr) {
    std::printf("\a\aError: missing argument: baud\n");
    return;
  }
  const long rate = checked_baud(leading_number(baud_word));
  if (rate != 0) change_baud(rate);
}

void cmd_disconnect() {
  if (!connected) {
    std::printf("\a\aError: not Connected!\n");
    return;
  }
  close_connection();
  std::printf("Disconnected\n");
}

void cmd_download() {
  if (!connected) {
    std::printf("\a\aError: not Connected!\n");
    return;
  }
  char reply[REPLY_SIZE];
  if (conf_processed == 0) {
    std::printf(
        "\a\aWarning: Configuration file has not yet been processed!\n"
        "Do you want to use the Default Configuration? (yes|no) [no]: ");
    if (!read_confirmation(reply, sizeof reply)) {
      std::printf("\a\aDownload Aborted!\n");
      return;
    }
  }
  if (rules_processed == 0) {
    std::printf(
        "\n\a\aWarning: Rules file has not yet been processed!\n"
        "Do you  want to use the Implicit Rule only without specific rules?\n"
        "(yes|no) [no]: ");
    if (!read_confirmation(reply, sizeof reply)) {
      std::printf("\a\aDownload Aborted!\n");
      return;
    }
  }
  download_command();
}

void cmd_firmware(word_splitter& words) {
  if (connected) {
    std::printf("\a\aError: already Connected, Disconnect first!\n");
    return;
  }
  const char* port_word = words.next(WORD_SEPARATORS);
  if (port_word == nullptr) {
    std::printf("\a\aError: missing arguments: com_port file_name\n");
    return;
  }
  const int port = checked_com_port(port_word);
  if (port == 0) return;
  const char* name = words.next(FILE_NAME_SEPARATORS);
  if (name == nullptr) {
    std::printf("\a\aError: missing argument: file_name\n");
    return;
  }
  char file_name[256];
  std::snprintf(file_name, sizeof file_name, "%s", name);

  std::printf(
      "\a\aWARNING! This will alter the Zentrovane firmware!\n"
      "Do you want to continue (n or y)? [n]: ");
  char reply[FIRMWARE_REPLY_SIZE];
  if (!read_confirmation(reply, sizeof reply)) {
    std::printf("Zentrovane Firmware will NOT be updated!\n");
    return;
  }
  if (firmware(port, file_name) == 0)
    std::printf(
        "\a\aFirmware update succeeded!\n\n"
        "Don't forget to Configure Operating Parameters, Process Rules\n"
        "and Download these to the Zentrovane!\n");
  else
    std::printf("Error: Firmware update failed!\n\tTry again!\n");
}

void cmd_serialtest(word_splitter& words) {
  if (!connected) {
    std::printf("\a\aError: not Connected!\n");
    return;
  }
  const char* count = words.next(WORD_SEPARATORS);
  if (count == nullptr) {
    std::printf("\a\aError: missing argument: iteration\n");
    return;
  }
  serial_test(CMD_SERIALTEST, count);
}

}  // namespace

shell_outcome run_command_line(char* line) {
  word_splitter words(line);
  const char* word = words.next(WORD_SEPARATORS);
  if (word == nullptr) return shell_outcome::next_prompt;

  const cmd_entry* entry = nullptr;
  // A word longer than any buffer-sized command word can match no entry.
  match_result m =
      std::strlen(word) > CMD_WORD_MAX ? match_result::unknown : match_command(word, &entry);
  if (m == match_result::unknown) {
    std::printf("\a\aError: unknown command: %s\n", word);
    return shell_outcome::next_prompt;
  }
  if (m == match_result::ambiguous) {
    std::printf("\a\aError: ambiguous command: %s\n", word);
    return shell_outcome::next_prompt;
  }

  switch (entry->code) {
    case CMD_HELP: help_summary(); break;
    case CMD_ANGLES: std::printf("%s\n", angles_help_text); break;
    case CMD_CONFIGURE: cmd_configure(words); break;
    case CMD_DCONFIGURE: conf_display(); break;
    case CMD_RULES: cmd_rules(words); break;
    case CMD_DRULES: rules_display(); break;
    case CMD_DEDITPATH: path_edit_display(); break;
    case CMD_CONNECT: cmd_connect(words); break;
    case CMD_BAUD: cmd_baud(words); break;
    case CMD_DISCONNECT: cmd_disconnect(); break;
    case CMD_DOWNLOAD: cmd_download(); break;
    case CMD_FIRMWARE: cmd_firmware(words); break;
    case CMD_SERIALTEST: cmd_serialtest(words); break;
    case CMD_EXIT: return shell_outcome::exit_program;
    default: std::printf("\a\aInternal Error: command %d is invalid!\n", entry->code); break;
  }
  return shell_outcome::next_prompt;
}
