// Reading from a port that should discard received NUL bytes but may not.
//
// The link asks the port to drop NULs, and some drivers (and Wine) ignore the
// request, so a back-end drops them itself as well. Dropping them after the
// fact would cut reads short: a read asking for size bytes ends as soon as
// size bytes came in, NULs included, where a driver that drops them would
// have waited on for other bytes. So while a read comes back full but loses
// NULs, read_dropping_nuls reads on for the missing count, within what is
// left of the read's window.
//
// The back-end supplies the two system parts:
//   read_chunk(dst, want, limit_ms, &n)  one read of up to want bytes; bool
//       limit_ms < 0: under the port's standing time-outs (the first read);
//       otherwise it must end after limit_ms in all
//   now_ms()  a monotonic clock in milliseconds
//
//   drop_nuls           move the non-NUL bytes to the front; their count
//   read_dropping_nuls  one read with NULs dropped, read on within the window
#pragma once

#include <cstddef>
#include <cstdint>

inline std::size_t drop_nuls(unsigned char* buf, std::size_t n) {
  std::size_t kept = 0;
  for (std::size_t i = 0; i < n; ++i)
    if (buf[i] != 0) buf[kept++] = buf[i];
  return kept;
}

// window_ms is the whole time the first read may take; *got is the count of
// non-NUL bytes at the front of out, also when a later read fails (false).
template <class ReadChunk, class NowMs>
bool read_dropping_nuls(unsigned char* out, std::size_t size, std::uint64_t window_ms,
                        ReadChunk read_chunk, NowMs now_ms, std::size_t* got) {
  *got = 0;
  const std::uint64_t start = now_ms();
  std::size_t n = 0;
  if (!read_chunk(out, size, -1, &n)) return false;
  std::size_t kept = drop_nuls(out, n);
  bool full = n == size;
  while (full && kept < size) {
    const std::uint64_t spent = now_ms() - start;
    if (spent >= window_ms) break;
    const std::size_t want = size - kept;
    std::size_t more = 0;
    const bool ok = read_chunk(out + kept, want, static_cast<long long>(window_ms - spent), &more);
    kept += drop_nuls(out + kept, ok ? more : 0);
    if (!ok) {
      *got = kept;
      return false;
    }
    full = more == want;
  }
  *got = kept;
  return true;
}
