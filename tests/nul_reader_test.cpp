// Dropping received NULs in software without cutting reads short, against a
// scripted port and clock.
#include "nul_reader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace {

struct chunk {
  std::string bytes;    // what the port hands over (at most what was asked)
  std::uint64_t takes;  // milliseconds the read takes
  bool ok = true;
};

struct call {
  std::size_t want;
  long long limit_ms;
  bool operator==(const call&) const = default;
};

struct scripted_port {
  explicit scripted_port(std::vector<chunk> s) : script(std::move(s)) {}
  std::vector<chunk> script;
  std::size_t next = 0;
  std::uint64_t clock = 1000;
  std::vector<call> calls;

  bool read(unsigned char* dst, std::size_t want, long long limit_ms, std::size_t* n) {
    calls.push_back({want, limit_ms});
    *n = 0;
    if (next >= script.size()) {  // nothing more arrives: the read waits out its limit
      clock += limit_ms < 0 ? 0 : static_cast<std::uint64_t>(limit_ms);
      return true;
    }
    const chunk& c = script[next++];
    clock += c.takes;
    const std::size_t count = c.bytes.size() < want ? c.bytes.size() : want;
    for (std::size_t i = 0; i < count; ++i) dst[i] = static_cast<unsigned char>(c.bytes[i]);
    *n = count;
    return c.ok;
  }
};

struct read_result {
  bool ok;
  std::string data;
};

read_result run(scripted_port& port, std::size_t size, std::uint64_t window) {
  std::vector<unsigned char> buf(size, 0xEE);
  std::size_t got = 99;
  const bool ok = read_dropping_nuls(
      buf.data(), size, window,
      [&](unsigned char* d, std::size_t w, long long l, std::size_t* n) {
        return port.read(d, w, l, n);
      },
      [&] { return port.clock; }, &got);
  return {ok, std::string(buf.begin(), buf.begin() + static_cast<long>(got))};
}

const std::string nul(1, '\0');

TEST(nul_reader_test, reads_on_only_when_nuls_filled_the_read) {
  struct read_case {
    const char* what;
    std::vector<chunk> script;
    std::size_t size;
    std::string data;
    std::vector<call> calls;
  };
  const read_case cases[] = {
      {"no NULs: one read", {{"abcd", 5}}, 4, "abcd", {{4, -1}}},
      {"NULs in a read that timed out short: no second read",
       {{"a" + nul + "b", 110}},
       8,
       "ab",
       {{8, -1}}},
      {"NULs filled it: read on for the missing count in the rest of the window",
       {{"a" + nul + nul + "b", 10}, {"cd", 5}},
       4,
       "abcd",
       {{4, -1}, {2, 90}}},
      {"NULs again in the second read: on once more",
       {{nul + "ab" + nul, 10}, {nul + "c", 20}, {"d", 5}},
       4,
       "abcd",
       {{4, -1}, {2, 90}, {1, 70}}},
      {"the rest of the window passes with nothing: what came is kept",
       {{"ab" + nul + nul, 10}},
       4,
       "ab",
       {{4, -1}, {2, 90}}},
      {"a read-on that comes back short ends the read",
       {{nul + nul + nul + "a", 10}, {"b", 60}, {"cd", 1}},
       4,
       "ab",
       {{4, -1}, {3, 90}}},
      {"all NULs: no data, never more than the window",
       {{std::string(4, '\0'), 40}, {std::string(4, '\0'), 60}},
       4,
       "",
       {{4, -1}, {4, 60}}},
      {"NUL-filled read that used up the window: no second read",
       {{"a" + nul, 100}},
       2,
       "a",
       {{2, -1}}},
  };
  for (const read_case& c : cases) {
    SCOPED_TRACE(c.what);
    scripted_port port(c.script);
    const read_result r = run(port, c.size, 100);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.data, c.data);
    EXPECT_EQ(port.calls, c.calls);
  }
}

TEST(nul_reader_test, a_failing_read_reports_failure_and_keeps_what_came_before) {
  scripted_port first({{"", 0, false}});
  read_result r = run(first, 4, 100);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.data, "");

  scripted_port later({{"a" + nul + "b" + nul, 10}, {"xy", 0, false}});
  r = run(later, 4, 100);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.data, "ab");
}

}  // namespace
