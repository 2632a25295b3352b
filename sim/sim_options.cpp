#include "sim_options.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sides.h"

namespace {

std::map<std::string, std::string> given;

const sim_option* find_option(const char* name) {
  for (const sim_option* o = console_options; o->name != nullptr; ++o)
    if (std::strcmp(o->name, name) == 0) return o;
  for (const sim_side* s = sim_sides; s->command != nullptr; ++s)
    for (const sim_option* o = s->options; o != nullptr && o->name != nullptr; ++o)
      if (std::strcmp(o->name, name) == 0) return o;
  return nullptr;
}

void print_rows(const sim_option* rows) {
  for (const sim_option* o = rows; o != nullptr && o->name != nullptr; ++o) {
    char left[64];
    std::snprintf(left, sizeof left, "--%s%s%s", o->name, o->arg ? " " : "", o->arg ? o->arg : "");
    std::printf("  %-26s %s\n", left, o->help);
  }
}

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool parse_sim_options(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strncmp(argv[i], "--", 2) != 0) {
      std::fprintf(stderr, "zentrosim: unexpected argument %s\n", argv[i]);
      return false;
    }
    const sim_option* o = find_option(argv[i] + 2);
    if (o == nullptr) {
      std::fprintf(stderr, "zentrosim: unknown option %s\n", argv[i]);
      return false;
    }
    if (o->arg == nullptr) {
      given[o->name] = "";
    } else if (i + 1 < argc) {
      given[o->name] = argv[++i];
    } else {
      std::fprintf(stderr, "zentrosim: option %s needs %s\n", argv[i], o->arg);
      return false;
    }
  }
  return true;
}

bool sim_flag(const char* name) { return given.count(name) != 0; }

long sim_number(const char* name, long fallback) {
  auto it = given.find(name);
  return it == given.end() ? fallback : std::strtol(it->second.c_str(), nullptr, 0);
}

std::string sim_text(const char* name, const std::string& fallback) {
  auto it = given.find(name);
  return it == given.end() ? fallback : it->second;
}

std::string sim_bytes(const char* name, const std::string& fallback) {
  auto it = given.find(name);
  if (it == given.end()) return fallback;
  const std::string& in = it->second;
  std::string out;
  for (std::size_t i = 0; i < in.size(); ++i) {
    if (in[i] != '\\' || i + 1 == in.size()) {
      out += in[i];
      continue;
    }
    char c = in[++i];
    switch (c) {
      case 'r': out += '\r'; break;
      case 'n': out += '\n'; break;
      case 't': out += '\t'; break;
      case '0': out += '\0'; break;
      case 'x': {
        int value = 0, digits = 0;
        while (digits < 2 && i + 1 < in.size() && hex_digit(in[i + 1]) >= 0) {
          value = value * 16 + hex_digit(in[++i]);
          ++digits;
        }
        out += static_cast<char>(value);
        break;
      }
      default: out += c; break;
    }
  }
  return out;
}

void print_sim_usage() {
  std::printf(
      "Usage: zentrosim [options]\n"
      "Plays a Zentrovane on a new pseudo-terminal and prints its path.\n\n");
  print_rows(console_options);
  for (const sim_side* s = sim_sides; s->command != nullptr; ++s) {
    if (s->options == nullptr || s->options->name == nullptr) continue;
    std::printf("\nAfter \"%s\":\n", s->command);
    print_rows(s->options);
  }
}
