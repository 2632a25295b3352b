// Writes the small binary image behind the example firmware file: a table of
// entry addresses, a version text and filler code bytes, the same on every
// build so the example file never changes.
#include <cstdint>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s image.bin\n", argv[0]);
    return 2;
  }
  unsigned char image[8192];
  std::uint32_t x = 0x5A17u;
  for (unsigned char& b : image) {
    x = x * 1664525u + 1013904223u;
    b = static_cast<unsigned char>(x >> 24);
  }
  for (int i = 0; i < 16; ++i) {  // entry table, little-endian words
    const std::uint32_t entry = 0x0001F100u + 0x40u * static_cast<std::uint32_t>(i);
    for (int k = 0; k < 4; ++k) image[4 * i + k] = static_cast<unsigned char>(entry >> (8 * k));
  }
  static const char version[] = "Zentrovane example firmware 1.0";
  std::memcpy(image + 64, version, sizeof version);

  std::FILE* out = std::fopen(argv[1], "wb");
  if (out == nullptr) {
    std::perror(argv[1]);
    return 1;
  }
  const bool ok = std::fwrite(image, 1, sizeof image, out) == sizeof image;
  return std::fclose(out) == 0 && ok ? 0 : 1;
}
