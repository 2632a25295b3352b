// The shell's prompt loop on arbitrary standard input: command lines,
// confirmations and file names, run from an empty scratch directory that
// holds one configuration, one rules and one firmware file to name. The
// machine has no serial ports, so no command ever reaches a device.
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "conf_rec.h"
#include "fuzz_support.h"
#include "link.h"
#include "rule_rec.h"
#include "script_port.h"

int zentro_main();  // the utility's main, renamed for this target

namespace {

void copy_file(const char* from, const char* to) {
  std::FILE* in = std::fopen(from, "rb");
  std::FILE* out = std::fopen(to, "wb");
  if (in == nullptr || out == nullptr) std::abort();
  char buf[4096];
  for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) std::fwrite(buf, 1, n, out);
  std::fclose(in);
  std::fclose(out);
}

char scratch[] = "/tmp/zentro-shell-fuzz-XXXXXX";

void remove_scratch() {
  for (const char* name : {"s.cfg", "f.rul", "fw.hex", "d", "p"}) remove(name);
  if (chdir("/") == 0) rmdir(scratch);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  script_port_use();  // a machine without serial ports: every open fails
  if (mkdtemp(scratch) == nullptr || chdir(scratch) != 0) std::abort();
  std::atexit(remove_scratch);
  copy_file(EXAMPLES_DIR "/station.cfg", "s.cfg");
  copy_file(EXAMPLES_DIR "/filter.rul", "f.rul");
  copy_file(FIRMWARE_EXAMPLE, "fw.hex");
  mkdir("d", 0755);
  mkfifo("p", 0644);  // naming a FIFO must never block the loop
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  conf_load_defaults();
  conf_processed = 0;
  rules_processed = 0;
  std::memset(rule_table, 0, sizeof rule_table);
  close_connection();

  std::FILE* in = fmemopen(const_cast<std::uint8_t*>(data), size, "r");
  if (in == nullptr) std::abort();
  std::FILE* const saved = stdin;
  stdin = in;
  zentro_main();
  stdin = saved;
  std::fclose(in);
  return 0;
}
