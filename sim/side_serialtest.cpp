// The serial test: after its banner the device echoes every byte until 0x03.
#include "sides.h"

const sim_option serialtest_options[] = {
    {"serialtest-silent", nullptr, "do not answer \"serialtest\" at all"},
    {"wrong-echo-after", "K", "echo K characters faithfully, then a wrong one"},
    {"wrong-echo", "BYTE", "the wrong byte to echo (default 0x41)"},
    {"echo-stop-after", "K", "echo K characters, then fall silent"},
    {nullptr, nullptr, nullptr},
};

void play_serialtest(sim_link& link) {
  if (sim_flag("serialtest-silent")) return;
  const long wrong_after = sim_number("wrong-echo-after", -1);
  const char wrong = static_cast<char>(sim_number("wrong-echo", 0x41));
  const long stop_after = sim_number("echo-stop-after", -1);
  link.put("\r\nBegin serial test: end with <ctrl>-c\r\n");
  for (long echoed = 0;;) {
    const int c = link.get(-1);
    if (c < 0 || c == 0x03) return;
    if (echoed == stop_after) continue;  // fallen silent, until 0x03
    link.put(std::string(1, echoed == wrong_after ? wrong : static_cast<char>(c)));
    ++echoed;
  }
}
