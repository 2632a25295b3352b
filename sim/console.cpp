// The device's command console.
#include <cstdlib>
#include <cstring>
#include <string>

#include "sides.h"

const sim_option console_options[] = {
    {"path-file", "FILE", "also write the slave's path to FILE"},
    {"log", "FILE", "log every byte on the line with its time"},
    {"rate", "BAUD", "the device's rate at start (default 19200)"},
    {"line-rate", nullptr, "model the line: each byte takes 10 bits at the rate"},
    {"version", "TEXT", "the version in the banner (default 2.83)"},
    {"banner", "BYTES", "the whole reply to \"version\" (C escapes; empty: silent)"},
    {"banner-gap", "MS", "send the banner in two halves, MS apart"},
    {"no-prompt", nullptr, "never answer an empty line with the prompt"},
    {"hangup-after", "N", "vanish (close the line) once N bytes were received"},
    {"chatter", "MS", "relay a line of traffic every MS ms until 0x03 comes"},
    {"quit-on-eof", nullptr, "stop when standard input ends (for a parent that may die)"},
    {"help", nullptr, "show this text"},
    {nullptr, nullptr, nullptr},
};

namespace {

const char PROMPT[] = "\r\nZentro> ";
const char TRAFFIC[] = "N0CALL-7>APZRO,WIDE2-1:!4903.50N/07201.75W-\r\n";

void send_banner(sim_link& link) {
  const std::string version = sim_text("version", "2.83");
  const std::string banner = sim_bytes("banner", "\r\nZentrovane APRS Digipeater Version " +
                                                     version + "\r\n(c) Zentrovane" + PROMPT);
  const long gap = sim_number("banner-gap", 0);
  if (gap <= 0 || banner.size() < 2) {
    link.put(banner);
    return;
  }
  link.put(banner.substr(0, banner.size() / 2));
  link.pause_ms(static_cast<int>(gap));
  link.put(banner.substr(banner.size() / 2));
}

void handle_line(sim_link& link, const std::string& line) {
  if (line == "version") {
    send_banner(link);
  } else if (line.rfind("host ", 0) == 0) {
    const long rate = std::strtol(line.c_str() + 5, nullptr, 10);
    if (rate > 0) link.set_rate(rate);
  } else if (line.empty()) {
    if (!sim_flag("no-prompt")) link.put(PROMPT);
  } else {
    for (const sim_side* s = sim_sides; s->command != nullptr; ++s)
      if (line == s->command) {
        s->play(link);
        return;
      }
    link.put("\r\nUnknown command" + std::string(PROMPT));
  }
}

}  // namespace

void run_console(sim_link& link) {
  const long hangup_after = sim_number("hangup-after", 0);
  long chatter_ms = sim_number("chatter", -1);
  std::string line;
  while (!link.stopping()) {
    const int c = link.get(chatter_ms < 0 ? -1 : (chatter_ms < 1 ? 1 : chatter_ms));
    if (c < 0) {
      if (chatter_ms >= 0) link.put(TRAFFIC);
      continue;
    }
    if (hangup_after > 0 && link.received() >= static_cast<unsigned long>(hangup_after)) {
      link.hang_up();
      return;
    }
    if (c == 0x03) {
      chatter_ms = -1;  // interrupted: the console takes commands now
      line.clear();
    } else if (c == '\n') {
      handle_line(link, line);
      line.clear();
    } else if (c != '\r' && line.size() < 256) {
      line += static_cast<char>(c);
    }
  }
}
