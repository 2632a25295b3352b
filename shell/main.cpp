// zentrohost: prepares and maintains a Zentrovane digipeater from the
// console. Reads commands at the prompt until exit or end of input.
#include <cstdio>
#include <cstring>
#if defined(_WIN32)
#include <fcntl.h>
#include <io.h>
#endif

#include "cmd_table.h"
#include "commands.h"
#include "conf_rec.h"
#include "line_input.h"
#include "version.h"

namespace {

constexpr std::size_t LINE_SIZE = 256;

char cmd_line[LINE_SIZE];
char prev_line[LINE_SIZE];

void strip_line_feed(char* line) {
  std::size_t len = std::strlen(line);
  if (len > 0 && line[len - 1] == '\n') line[len - 1] = '\0';
}

}  // namespace

int main() {
#if defined(_WIN32)
  // The texts carry their own line ends: no "\r" added before each "\n".
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
#endif
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stderr, nullptr, _IONBF, 0);

  std::printf("Zentrovane PC Host Digi Utility %s for the Zentrovane APRS digipeater\n",
              UTILITY_VERSION);
  std::printf("Configures, tests and updates the device on a serial port.\n");
  conf_load_defaults();
  help_summary();
  std::printf("\n");

  for (;;) {
    std::printf("Command> ");
    line_status st = read_line(stdin, cmd_line, sizeof cmd_line);
    if (st == line_status::end_of_input) {
      std::printf("\n");
      return 1;
    }
    if (st == line_status::too_long) {
      std::printf("\a\aError: command line too long (more than %zu characters)\n", LINE_SIZE - 1);
      continue;
    }
    if (std::strcmp(cmd_line, "\n") == 0) continue;
    strip_line_feed(cmd_line);
    if (cmd_line[0] == '.')
      std::memcpy(cmd_line, prev_line, sizeof cmd_line);
    else
      std::memcpy(prev_line, cmd_line, sizeof prev_line);
    if (run_command_line(cmd_line) == shell_outcome::exit_program) return 0;
  }
}
