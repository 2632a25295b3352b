// The angle parser: one text in Colon, Dotted or DMC notation to degrees.
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "angles.h"

namespace {

enum class notation { colon, dotted, dmc };

bool in_number(unsigned char c) {
  return c == '\t' || c == ' ' || c == '+' || c == '-' || c == '.' || (c >= '0' && c <= '9');
}

bool is_letter(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// A double beyond the float range becomes an infinity of its sign instead of
// an undefined conversion; the range checks then refuse it.
float to_float(double v) {
  if (v > FLT_MAX) return INFINITY;
  if (v < -FLT_MAX) return -INFINITY;
  return static_cast<float>(v);
}

// Whether the number text at p carries its own minus sign (after the blanks
// the conversions skip). "-0" must stay negative although its value is 0.
bool leads_with_minus(const char* p) {
  while (*p == ' ' || *p == '\t') ++p;
  return *p == '-';
}

// The integer reading of the number text at p, clamped instead of overflowing.
float int_value(const char* p) {
  long v = std::strtol(p, nullptr, 10);
  if (v > INT_MAX) v = INT_MAX;
  if (v < INT_MIN) v = INT_MIN;
  return static_cast<float>(v);
}

float real_value(const char* p) { return to_float(std::strtod(p, nullptr)); }

// One part of the angle as read, with the sign written on its own text.
struct part {
  float value = 0;
  bool minus = false;
};

part read_int(const char* p) { return {int_value(p), leads_with_minus(p)}; }
part read_real(const char* p) { return {real_value(p), leads_with_minus(p)}; }

struct parts {
  part deg, min, sec;
};

const char COLON_FORM[] = "[s][D]DD:MM:SS[.F*]";

// Colon and Dotted notation: the walk stops at the second separator. A newline
// before it ends the walk; the values so far stand when no number is pending.
bool parse_separated(const char* inp, notation n, parts& out) {
  const char sep = n == notation::colon ? ':' : '.';
  const char* field = inp;
  int seen = 0;
  for (const char* p = inp;; ++p) {
    if (*p == '\0' || *p == '\n') {
      if (field != p) {
        std::printf("\a\aInternal Error: pointer mismatch\n");
        return false;
      }
      return true;
    }
    if (*p != sep) continue;
    if (++seen == 1) {
      out.deg = read_int(inp);
      field = p + 1;
    } else if (n == notation::colon) {
      out.min = read_int(field);
      out.sec = read_real(p + 1);
      return true;
    } else {
      // The second period is read as the decimal point of the minutes.
      out.min = read_real(field);
      return true;
    }
  }
}

// DMC notation: every number text must be closed by an identifier; direction
// letters drop any text pending before them.
bool parse_dmc(const char* inp, parts& out) {
  bool have_deg = false, have_min = false, have_sec = false;
  const char* field = inp;
  const char* p = inp;
  for (; *p != '\0' && *p != '\n'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (in_number(c)) continue;  // part of the number text since the field start
    switch (c) {
      case 'D':
      case 'd':
        if (have_deg) {
          std::printf("\a\aError: DMC format: already have degrees (%f)\n", out.deg.value);
          return false;
        }
        {
          // The degree text is read on its own, however long it is.
          const std::string text(field, p);
          out.deg = read_real(text.c_str());
        }
        have_deg = true;
        break;
      case 'M':
      case 'm':
        if (have_min) {
          std::printf("\a\aError: DMC format: already have minutes (%f)\n", out.min.value);
          return false;
        }
        out.min = read_real(field);
        have_min = true;
        break;
      case 'C':
      case 'c':
        if (have_sec) {
          std::printf("\a\aError: DMC format: already have seconds (%f)\n", out.sec.value);
          return false;
        }
        out.sec = read_real(field);
        have_sec = true;
        break;
      case 'N':
      case 'n':
      case 'E':
      case 'e':
      case 'S':
      case 's':
      case 'W':
      case 'w': break;
      default:
        std::printf("\a\aError: DMC format: invalid char: %c (0x%02x)\n", c, c);
        return false;
    }
    field = p + 1;
  }
  if (field != p) {
    std::printf("\a\aInternal Error: pointer mismatch\n");
    return false;
  }
  return true;
}

}  // namespace

float dmctodeg(const char* inp) {
  if (inp == nullptr || *inp == '\0') {
    std::printf("dmctodeg: Error: invalid param inp\n");
    return ANGLE_FAIL;
  }

  int minus = 0, colons = 0, periods = 0, letters = 0;
  for (const char* p = inp; *p != '\0'; ++p) {
    const unsigned char c = static_cast<unsigned char>(*p);
    if (c == '-')
      ++minus;
    else if (c == ':')
      ++colons;
    else if (c == '.')
      ++periods;
    else if (is_letter(c))
      ++letters;
  }
  if (minus > 1) {
    std::printf("\a\aError: too man minus signs: %d: only one is allowed\n", minus);
    return ANGLE_FAIL;
  }

  notation n;
  bool south_west = false;
  if (colons > 0) {
    n = notation::colon;
    if (colons != 2) {
      std::printf("\a\aError: Colon format: must have 2 colons: %s\n", COLON_FORM);
      return ANGLE_FAIL;
    }
    if (periods > 1) {
      std::printf("\a\aError: Colon format: too many periods: %s\n", COLON_FORM);
      return ANGLE_FAIL;
    }
    if (letters > 0) {
      std::printf("\a\aError: Colon format: has alpha characters: %s\n", COLON_FORM);
      return ANGLE_FAIL;
    }
  } else if (letters == 0) {
    n = notation::dotted;
    if (periods == 0) {
      std::printf("\a\aError: Unrecognized format: must be one of Dotted, Colon or DMC\n");
      return ANGLE_FAIL;
    }
    if (periods != 2) {
      std::printf(
          "\a\aError: Dotted format: must have 2 periods: [s][D]DD.MM.[F*]\n"
          "\tor DMC format must have at least one of [DdMmCc] identifiers\n");
      return ANGLE_FAIL;
    }
  } else {
    n = notation::dmc;
    if (std::strpbrk(inp, "DdMmCc") == nullptr) {
      std::printf(
          "\a\aError: DMC format must have at least one of [DdMmCc] identifiers\n"
          "\tor Dotted format: found illegal character: [s][D]DD.MM.[F*]\n");
      return ANGLE_FAIL;
    }
    const char* north_east = std::strpbrk(inp, "NnEe");
    const char* sw = std::strpbrk(inp, "SsWw");
    if (minus > 0 && (north_east != nullptr || sw != nullptr)) {
      std::printf(
          "\a\aError: DMC format: both minus (-) and direction char %c cannot be specified\n",
          north_east != nullptr ? *north_east : *sw);
      return ANGLE_FAIL;
    }
    if (north_east != nullptr && sw != nullptr) {
      std::printf("\a\aError: DMC format: both direction chars %c and %c cannot be specified\n",
                  *north_east, *sw);
      return ANGLE_FAIL;
    }
    south_west = sw != nullptr;
  }

  parts v;
  if (!(n == notation::dmc ? parse_dmc(inp, v) : parse_separated(inp, n, v))) return ANGLE_FAIL;

  if (!(v.sec.value > -60 && v.sec.value < 60)) {
    std::printf("\a\aError: sec %f is out of range [0..59.99]\n", v.sec.value);
    return ANGLE_FAIL;
  }
  if (!(v.min.value > -60 && v.min.value < 60)) {
    std::printf("\a\aError: min %f is out of range [0..59.99]\n", v.min.value);
    return ANGLE_FAIL;
  }

  // One minus sign on any part, or an S or W, makes the whole angle South or
  // West; the parts themselves only give its size.
  const bool negative = south_west || v.deg.minus || v.min.minus || v.sec.minus;
  const float f = static_cast<float>(std::fabs(static_cast<double>(v.sec.value)) / 3600.0 +
                                     std::fabs(static_cast<double>(v.min.value)) / 60.0);
  const float size = std::fabs(v.deg.value) + f;
  float result = size == 0 ? 0.0f : (negative ? -size : size);

  if (!(result >= -360 && result <= 360)) {
    std::printf("\a\aError: deg %f is out of range [-180..180]\n", result);
    return ANGLE_FAIL;
  }
  return result;
}
