// Arguments of the destination, source, circle, compass, rectangle, sector
// and digi rules.
#include "rule_args.h"

#include <cctype>
#include <cfloat>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "angles.h"
#include "cmd_codes.h"
#include "rule_words.h"

namespace {

constexpr int CALL_MAX = 6;
constexpr int SSID_MAX = 15;
constexpr int MATCH_INDEX_MAX = 8;

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Messages for an argument that is absent, or that starts inside a comment.
struct arg_names {
  const char* absent;
  int absent_code;
  const char* after;
  int after_code;
};

int take(rule_line& ln, const char* set, const arg_names& n, char*& word) {
  word = ln.next(set);
  if (word == nullptr) return ln.fail(n.absent_code, "missing %s", n.absent);
  if (ln.after_comment(word)) return ln.fail(n.after_code, "missing %s", n.after);
  return 0;
}

// The longest leading decimal number of the text, 0 when there is none.
// Only decimal forms count: "0x10" reads as 0, "inf" and "nan" as 0.
float decimal_real(const char* text) {
  const char* p = text + (*text == '+' || *text == '-');
  if (!is_digit(*p) && !(*p == '.' && is_digit(p[1]))) return 0.0f;
  if (p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) return 0.0f;
  const double d = std::strtod(text, nullptr);
  // Out of float range becomes infinite, as IEEE rounding would give.
  if (d > FLT_MAX) return std::numeric_limits<float>::infinity();
  if (d < -FLT_MAX) return -std::numeric_limits<float>::infinity();
  return static_cast<float>(d);
}

// Leading decimal digits as a number that saturates instead of overflowing.
int decimal_int(const char* text) {
  long v = 0;
  for (; is_digit(*text); ++text) {
    v = v * 10 + (*text - '0');
    if (v > 999999999) v = 999999999;
  }
  return static_cast<int>(v);
}

struct angle_arg {
  const char* set;
  arg_names names;
  float low, high;  // inclusive
  const char* bad;  // the range message before ": %f"
  int bad_code;
};

int read_angle(rule_line& ln, const angle_arg& a, std::uint8_t field[6]) {
  char* word;
  if (int rc = take(ln, a.set, a.names, word)) return rc;
  // A text the angle parser refuses comes back as ANGLE_FAIL, which no
  // range admits, so its message is followed by the range message.
  const float v = dmctodeg(word);
  if (!(v >= a.low && v <= a.high)) return ln.fail(a.bad_code, "%s: %f", a.bad, v);
  rule_put_real(field, v);
  return 0;
}

enum call_fault { CALL_OK, CALL_SSID_CHAR, CALL_SSID_RANGE, CALL_TOO_LONG };

struct call_text {
  char cut[RULE_LINE_MAX + 1];  // the call without its "*..." or "-n"
  char bad_char;                // what follows the '-' when it is no digit
  int ssid;
};

// Stores a destination, source or digi call with its modifiers.
call_fault parse_call(const char* word, bool upper, rule_record& rec, call_text& c) {
  std::snprintf(c.cut, sizeof c.cut, "%s", word);
  if (word[0] == '*') {
    rec.flags |= RULE_MOD_ANY;
    return CALL_OK;
  }
  if (char* star = std::strchr(c.cut, '*')) {
    rec.flags |= RULE_MOD_PREFIX;
    *star = '\0';
  } else if (char* dash = std::strchr(c.cut, '-')) {
    c.bad_char = dash[1];
    if (!is_digit(dash[1])) return CALL_SSID_CHAR;
    c.ssid = decimal_int(dash + 1);
    if (c.ssid > SSID_MAX) return CALL_SSID_RANGE;
    rec.flags |= RULE_MOD_SSID;
    rec.arg[1][0] = static_cast<std::uint8_t>(c.ssid);
    *dash = '\0';
  }
  const std::size_t len = std::strlen(c.cut);
  if (len > CALL_MAX) return CALL_TOO_LONG;
  for (std::size_t i = 0; i < len; ++i) {
    const auto ch = static_cast<unsigned char>(c.cut[i]);
    rec.arg[0][i] = upper ? static_cast<std::uint8_t>(std::toupper(ch)) : ch;
  }
  return CALL_OK;
}

// Destination and source calls keep their letter case.
int read_station_call(rule_line& ln, bool is_source, rule_record& rec) {
  const arg_names dest{"Destination", -11, "Destination string", -8};
  const arg_names src{"Source", -13, "Source string", -12};
  char* word;
  if (int rc = take(ln, CALL_SET, is_source ? src : dest, word)) return rc;
  call_text c{};
  switch (parse_call(word, false, rec, c)) {
    case CALL_OK: return 0;
    case CALL_SSID_CHAR: return ln.fail(-9, "invalid SSID range [0..15]: %c", c.bad_char);
    case CALL_SSID_RANGE: return ln.fail(-9, "invalid SSID range [0..15]: %d", c.ssid);
    case CALL_TOO_LONG:
      if (is_source) return ln.fail(-11, "Source is too long: %s", c.cut);
      return ln.fail(-10, "Destination is too long: %s", c.cut);
  }
  return 0;
}

int read_circle(rule_line& ln, rule_record& rec) {
  char* word;
  if (int rc = take(ln, WORD_SET, {"Radius", -25, "Range", -14}, word)) return rc;
  const float radius = decimal_real(word);
  if (!(radius > 0)) return ln.fail(-16, "invalid Circle Radius, must be > 0: %f", radius);
  rule_put_real(rec.arg[0], radius);
  const angle_arg lat{COORD_SET, {"Latitude", -24, "Latitude", -17}, -90,
                      90,        "invalid Latitude range [-90..90]", -19};
  const angle_arg lon{LAST_COORD_SET,
                      {"Longitude", -23, "Longitude", -20},
                      -180,
                      180,
                      "invalid Longitude range [-180..180]",
                      -22};
  if (int rc = read_angle(ln, lat, rec.arg[1])) return rc;
  return read_angle(ln, lon, rec.arg[2]);
}

int read_compass(rule_line& ln, rule_record& rec) {
  char* word;
  if (int rc = take(ln, WORD_SET, {"Compass Direction", -37, "Direction", -26}, word)) return rc;
  const int direction = compass_code(word);
  if (direction == 0) return ln.fail(-27, "invalid compass Direction %s", word);
  rec.arg[0][0] = static_cast<std::uint8_t>(direction);
  const angle_arg lat{COORD_SET, {"Latitude", -36, "Latitude", -29}, -90,
                      90,        "invalid Latitude range [-90..90]", -31};
  const angle_arg lon{LAST_COORD_SET,
                      {"Longitude", -35, "Longitude", -32},
                      -180,
                      180,
                      "invalid Longitude range [-180..180]",
                      -34};
  if (int rc = read_angle(ln, lat, rec.arg[1])) return rc;
  return read_angle(ln, lon, rec.arg[2]);
}

int read_rectangle(rule_line& ln, rule_record& rec) {
  static const angle_arg corners[] = {
      {COORD_SET,
       {"Latitude1", -53, "Latitude1", -38},
       -90,
       90,
       "invalid Latitude1 range [-90..90]",
       -40},
      {COORD_SET,
       {"Longitude1", -52, "Longitude1", -41},
       -180,
       180,
       "invalid Longitude1 range [-180..180]",
       -43},
      {COORD_SET,
       {"Latitude2", -51, "Latitude2", -44},
       -90,
       90,
       "invalid Latitude2 range [-90..90]",
       -46},
      {LAST_COORD_SET,
       {"Longitude2", -50, "Longitude2", -47},
       -180,
       180,
       "invalid Longitude2 range [-180..180]",
       -49},
  };
  for (int i = 0; i < 4; ++i)
    if (int rc = read_angle(ln, corners[i], rec.arg[i])) return rc;
  return 0;
}

int read_sector(rule_line& ln, rule_record& rec) {
  static const angle_arg angles[] = {
      {COORD_SET, {"Angle1", -69, "Angle1", -54}, 0, 360, "invalid Angle1, range [0..360]", -57},
      {COORD_SET, {"Angle2", -68, "Angle2", -58}, 0, 360, "invalid Angle2, range [0..360]", -60},
  };
  for (int i = 0; i < 2; ++i)
    if (int rc = read_angle(ln, angles[i], rec.arg[i])) return rc;
  char* word;
  if (int rc = take(ln, CALL_SET, {"Inner Range", -67, "Inner Range", -61}, word)) return rc;
  if (!is_digit(word[0])) return ln.fail(-62, "invalid or missing Inner Range");
  const float inner = decimal_real(word);
  rule_put_real(rec.arg[2], inner);
  // The outer range is optional; one written inside a comment is none.
  word = ln.next(CALL_SET);
  if (word == nullptr || ln.after_comment(word)) return 0;
  const float outer = decimal_real(word);
  if (!(outer > inner))
    return ln.fail(-66, "invalid Outer Range, must be > Inner Range: %f", outer);
  rule_put_real(rec.arg[3], outer);
  return 0;
}

int read_digi(rule_line& ln, rule_record& rec) {
  char* word;
  if (int rc = take(ln, WORD_SET, {"Match Index", -69, "Match Index", -54}, word)) return rc;
  int index = 0;  // "*": any place in the path
  if (word[0] != '*') {
    if (!is_digit(word[0]))
      return ln.fail(-57, "invalid Match Index, range [0..%d]: %c", MATCH_INDEX_MAX, word[0]);
    index = decimal_int(word);
    if (index > MATCH_INDEX_MAX)
      return ln.fail(-57, "invalid Match Index, range [0..%d]: %d", MATCH_INDEX_MAX, index);
  }
  rec.arg[2][0] = static_cast<std::uint8_t>(index);
  if (int rc = take(ln, CALL_SET, {"Digi-n", -67, "Digi-n", -61}, word)) return rc;
  call_text c{};
  switch (parse_call(word, true, rec, c)) {
    case CALL_OK: return 0;
    case CALL_SSID_CHAR:
      return ln.fail(-61, "Digi Match: Digi %s invalid SSID range [0..15]: %c", word, c.bad_char);
    case CALL_SSID_RANGE:
      return ln.fail(-61, "Digi Match: Digi %s invalid SSID range [0..15]: %d", word, c.ssid);
    case CALL_TOO_LONG:
      return ln.fail(-61, "Digi Match: Digi %s exceeds length %d", c.cut, CALL_MAX);
  }
  return 0;
}

}  // namespace

int read_rule_args(rule_line& ln, int kind, rule_record& rec) {
  switch (kind) {
    case RK_DESTIN: return read_station_call(ln, false, rec);
    case RK_SOURCE: return read_station_call(ln, true, rec);
    case RK_CIRCLE: return read_circle(ln, rec);
    case RK_COMPASS: return read_compass(ln, rec);
    case RK_RECTANGLE: return read_rectangle(ln, rec);
    case RK_SECTOR: return read_sector(ln, rec);
    case RK_DIGI: return read_digi(ln, rec);
  }
  return 0;
}
