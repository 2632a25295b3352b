// zentrosim: a simulated Zentrovane on a pseudo-terminal, for trying and
// testing the utility without hardware. Prints the path of the port to open,
// then plays the device until SIGTERM, SIGINT or "quit" on standard input.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "sides.h"

namespace {

bool write_path_file(const std::string& file, const std::string& path) {
  // Written aside and renamed, so a reader never sees half a path.
  const std::string temp = file + ".tmp";
  FILE* f = std::fopen(temp.c_str(), "w");
  if (f == nullptr) return false;
  std::fprintf(f, "%s\n", path.c_str());
  return std::fclose(f) == 0 && std::rename(temp.c_str(), file.c_str()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (!parse_sim_options(argc, argv)) return 2;
  if (sim_flag("help")) {
    print_sim_usage();
    return 0;
  }
  const std::string log_path = sim_text("log", "");
  sim_link link;
  if (!link.open(log_path.empty() ? nullptr : log_path.c_str(), sim_flag("line-rate"),
                 sim_flag("quit-on-eof"), sim_number("rate", 19200)))
    return 1;
  const std::string path_file = sim_text("path-file", "");
  if (!path_file.empty() && !write_path_file(path_file, link.slave_path())) {
    std::perror("zentrosim: cannot write the path file");
    return 1;
  }
  std::printf("%s\n", link.slave_path().c_str());
  std::fflush(stdout);
  run_console(link);
  return 0;
}
