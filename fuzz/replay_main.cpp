// Runs a fuzz target's entry point over saved inputs, without libFuzzer: the
// seeds and every crash input kept beside them are replayed by `make test`
// under the sanitizers of the test build. Arguments are files or folders (all
// files in them); the exit status is 0 when every input ran through.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv);
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

int replay(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)),
                                std::istreambuf_iterator<char>());
  if (!in.eof() && in.fail()) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return 1;
  }
  LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  // Absolute paths first: a target may change its working folder.
  std::vector<std::filesystem::path> inputs;
  for (int i = 1; i < argc; ++i) {
    const std::filesystem::path p = std::filesystem::absolute(argv[i]);
    if (std::filesystem::is_directory(p)) {
      for (const auto& entry : std::filesystem::directory_iterator(p))
        if (entry.is_regular_file()) inputs.push_back(entry.path());
    } else {
      inputs.push_back(p);
    }
  }
  LLVMFuzzerInitialize(&argc, &argv);
  int failures = 0;
  for (const auto& f : inputs) failures += replay(f);
  std::fprintf(stderr, "replayed %zu inputs\n", inputs.size());
  return failures == 0 && !inputs.empty() ? 0 : 1;
}
