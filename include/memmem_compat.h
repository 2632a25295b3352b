// memmem, the search for a byte string inside a buffer, where the C library
// lacks it (the Windows C runtime). Elsewhere the system's own is used.
//
//   memmem  the first place of needle in haystack, or nullptr
#pragma once

#include <cstddef>
#include <cstring>

#if defined(_WIN32)
inline void* memmem(const void* haystack, std::size_t hay_len, const void* needle,
                    std::size_t needle_len) {
  const unsigned char* h = static_cast<const unsigned char*>(haystack);
  if (needle_len == 0) return const_cast<unsigned char*>(h);
  for (std::size_t i = 0; needle_len <= hay_len && i <= hay_len - needle_len; ++i)
    if (std::memcmp(h + i, needle, needle_len) == 0) return const_cast<unsigned char*>(h + i);
  return nullptr;
}
#endif
