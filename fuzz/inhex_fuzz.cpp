// The Intel HEX check on arbitrary file contents: a record count of at
// least one, or one of its failure codes.
#include <cstdint>
#include <cstdio>

#include "firmware.h"
#include "fuzz_support.h"

namespace {
memory_file* input;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  silence_stdout();
  input = new memory_file("hex");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  input->set(data, size);
  std::FILE* fp = std::fopen(input->path(), "r");
  fuzz_check(fp != nullptr, "opening the memory file");
  const int rc = inhexverify(fp);
  std::fclose(fp);
  fuzz_check(rc >= 1 || (rc >= -8 && rc <= -2), "result code");
  return 0;
}
