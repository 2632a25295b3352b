// The configuration keywords' handlers: each takes its arguments from the
// line cursor, checks them and stores them in conf_rec.
#include "conf_handlers.h"

#include <climits>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "angles.h"
#include "cmd_codes.h"

namespace {

constexpr int WIDE_MAX = 6;
constexpr int CALL_MAX = 6;
constexpr int CONTROL_CALL_MAX = 9;
constexpr int DIGI_TEXT_MAX = 8;
constexpr long U16_MAX = 65535;

// "\a\aError: name[line]: <what>: <line>\n"
[[gnu::format(printf, 1, 2)]] void report(const char* fmt, ...) {
  std::printf("\a\aError: %s[%d]: ", conf_file_name, conf_line_num);
  va_list ap;
  va_start(ap, fmt);
  std::vprintf(fmt, ap);
  va_end(ap);
  std::printf(": %s\n", conf_line_copy);
}

int clamp_int(long v) {
  if (v > INT_MAX) return INT_MAX;
  if (v < INT_MIN) return INT_MIN;
  return static_cast<int>(v);
}

int decimal(const char* s) { return clamp_int(std::strtol(s, nullptr, 10)); }
// 0x hexadecimal, leading 0 octal, else decimal.
int based(const char* s, char** end = nullptr) { return clamp_int(std::strtol(s, end, 0)); }

bool is_digit(char c) { return c >= '0' && c <= '9'; }

void to_upper(char* s) {
  for (; *s != '\0'; ++s)
    if (*s >= 'a' && *s <= 'z') *s = static_cast<char>(*s - 'a' + 'A');
}

// The next argument, or nullptr after the "missing" message: -11 when the
// line has no further token, -8 when the token lies inside the comment.
char* take(line_cursor& cur, const char* delims, const char* what, int& rc) {
  char* token = cur.next(delims);
  if (token != nullptr && conf_comment != nullptr &&
      std::greater<const char*>{}(token, conf_comment)) {
    report("missing %s argument", what);
    rc = -8;
    return nullptr;
  }
  if (token == nullptr) {
    report("missing %s argument", what);
    rc = -11;
  }
  return token;
}

int on_baud(line_cursor& cur, std::uint32_t& field) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "Baud", rc);
  if (token == nullptr) return rc;
  const int baud = decimal(token);
  if (get_baud(baud) == nullptr) {
    report("invalid Baud argument: %d", baud);
    return -11;
  }
  field = static_cast<std::uint32_t>(baud);
  return 0;
}

int on_call(line_cursor& cur) {
  int rc = 0;
  char* token = take(cur, ARG_DELIMS, "Call Sign", rc);
  if (token == nullptr) return rc;
  to_upper(token);
  const std::size_t len = std::strlen(token);
  if (len > CALL_MAX) {
    report("invalid Call Sign argument: too long");
    return -11;
  }
  // Text and terminator only: the bytes behind it keep what they held.
  std::memcpy(conf_rec.station_call, token, len + 1);
  return 0;
}

int on_ssid(line_cursor& cur) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "SSID", rc);
  if (token == nullptr) return rc;
  const int ssid = based(token);
  if (!is_digit(token[0]) || ssid < 0 || ssid > 15) {
    report("invalid SSID argument range [0..15]: %d", ssid);
    return -11;
  }
  conf_rec.ssid = static_cast<std::uint16_t>(ssid);
  return 0;
}

int store_angle(const char* token, const char* what, float& field) {
  const float v = dmctodeg(token);
  if (v == ANGLE_FAIL) {
    report("invalid Station %s argument: %s", what, token);
    return -11;
  }
  field = v;
  return 0;
}

// Latitude and longitude written with the keyword's own delimiters, so the
// comment rule does not reach them.
int on_plain_angle(line_cursor& cur, const char* what, float& field) {
  const char* token = cur.next(KEYWORD_DELIMS);
  if (token == nullptr) {
    report("missing Station %s argument", what);
    return -11;
  }
  return store_angle(token, what, field);
}

int on_position(line_cursor& cur) {
  if (int rc = on_plain_angle(cur, "Latitude", conf_rec.base_lat)) return rc;
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "Station Longitude", rc);
  if (token == nullptr) return rc;
  return store_angle(token, "Longitude", conf_rec.base_lon);
}

int on_altitude(line_cursor& cur) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "Altitude", rc);
  if (token == nullptr) return rc;
  char* end = nullptr;
  const int value = based(token, &end);
  if (*end == 'f' || *end == 'F')
    conf_rec.altitude = static_cast<std::int32_t>(static_cast<float>(value) / 3.28f);
  else
    conf_rec.altitude = value;
  return 0;
}

int on_yes_no(line_cursor& cur, std::uint16_t& field, bool p_is_yes) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "y | n", rc);
  if (token == nullptr) return rc;
  const char c = token[0];
  const bool yes =
      (c != '\0' && std::strchr("yY1tTeE", c) != nullptr) || (p_is_yes && (c == 'p' || c == 'P'));
  field = yes ? 1 : 0;
  return 0;
}

// widemax may not exceed the wide_total in force, widetotal may not go below
// the wide_max in force: the order of the lines matters.
int on_wide(line_cursor& cur, bool is_max) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "n", rc);
  if (token == nullptr) return rc;
  const int n = decimal(token);
  if (n < 1 || n > WIDE_MAX) {
    report("invalid n argument range [1..%d]: %d", WIDE_MAX, n);
    return -11;
  }
  if (is_max && n > conf_rec.wide_total) {
    report("invalid n argument %d must be <= WIDETOTAL: %d", n, int{conf_rec.wide_total});
    return -11;
  }
  if (!is_max && n < conf_rec.wide_max) {
    report("invalid n argument %d must be >= WIDEMAX: %d", n, int{conf_rec.wide_max});
    return -11;
  }
  (is_max ? conf_rec.wide_max : conf_rec.wide_total) = static_cast<std::uint16_t>(n);
  return 0;
}

int on_dupewin(line_cursor& cur) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "seconds", rc);
  if (token == nullptr) return rc;
  const int n = decimal(token);
  if (n < 5 || n > 500) {
    report("invalid seconds argument range [5..500]: %d", n);
    return -11;
  }
  conf_rec.dupe_window = static_cast<std::uint16_t>(n);
  return 0;
}

int on_ratelimcall(line_cursor& cur) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "seconds", rc);
  if (token == nullptr) return rc;
  const int n = decimal(token);
  if (n < 0 || n > U16_MAX) {
    report("invalid seconds argument range [0..%d]: %d", static_cast<int>(U16_MAX), n);
    return -11;
  }
  conf_rec.call_rate_limit = static_cast<std::uint16_t>(n);
  return 0;
}

int on_beacon(line_cursor& cur) {
  int rc = 0;
  const char* token = take(cur, ARG_DELIMS, "seconds", rc);
  if (token == nullptr) return rc;
  const int n = based(token);
  if (n != 0 && (n < 10 || n > U16_MAX)) {
    report("invalid seconds argument range [0, %d..%d]: %d", 10, static_cast<int>(U16_MAX), n);
    return -11;
  }
  conf_rec.beacon_interval = static_cast<std::uint16_t>(n);
  return 0;
}

int on_digipath(line_cursor& cur) {
  int rc = 0;
  char* text = take(cur, TEXT_DELIMS, "Digi Path", rc);
  if (text == nullptr) return rc;
  std::memset(conf_rec.digi_path, 0, sizeof conf_rec.digi_path);
  int stored = 0;
  char* rest = text;
  for (char* entry = get_token(rest, " ,", &rest, nullptr);
       entry != nullptr && stored < DIGI_PATH_MAX; entry = get_token(rest, " ,", &rest, nullptr)) {
    const std::size_t len = std::strlen(entry);
    if (len > DIGI_TEXT_MAX) {
      report("Digi Path[%d]: %s exceeds length %d", stored + 1, entry, DIGI_TEXT_MAX);
      // The count follows the table as far as it was filled.
      digi_path_count = stored;
      return -11;
    }
    to_upper(entry);
    std::memcpy(conf_rec.digi_path[stored], entry, len);  // 8 characters: no terminator
    ++stored;
  }
  digi_path_count = stored;
  return 0;
}

int on_bcomment(line_cursor& cur) {
  int rc = 0;
  const char* text = take(cur, TEXT_DELIMS, "Beacon Comment", rc);
  if (text == nullptr) return rc;
  std::memset(conf_rec.beacon_comment, 0, sizeof conf_rec.beacon_comment);
  std::strncpy(conf_rec.beacon_comment, text, sizeof conf_rec.beacon_comment - 1);
  return 0;
}

// The icon ends only at a space or tab: '#', '/' and ';' are symbol characters.
int on_icon(line_cursor& cur) {
  const char* token = cur.next(ICON_DELIMS);
  if (token == nullptr) {
    report("missing Beacon Icon argument");
    return -8;
  }
  const char id = token[0];
  const bool id_ok = id == '/' || id == '\\' || is_digit(id) || (id >= 'a' && id <= 'j') ||
                     (id >= 'A' && id <= 'Z');
  if (!id_ok) {
    report("Icon Symbol ID must be one of / \\ 0..9 a..j A..Z");
    return -8;
  }
  const char code = token[1];
  if (code < '!' || code > '~') {
    report("Icon Code must be in range [!..~]");
    return -8;
  }
  conf_rec.icon = static_cast<std::uint16_t>(static_cast<unsigned char>(id) << 8 |
                                             static_cast<unsigned char>(code));
  return 0;
}

int on_controlcall(line_cursor& cur) {
  int rc = 0;
  char* token = take(cur, ARG_DELIMS, "Control Call-SSID", rc);
  if (token == nullptr) return rc;
  to_upper(token);
  const std::size_t len = std::strlen(token);
  if (len > CONTROL_CALL_MAX) {
    report("invalid Control Call-SSID argument: too long (max is %d)", CONTROL_CALL_MAX);
    return -11;
  }
  std::memcpy(conf_rec.control_call, token, len + 1);
  return 0;
}

int on_path_edit(int code, const char* name, line_cursor& cur) {
  static char empty[] = "";
  char* args = cur.pos != nullptr ? cur.pos : empty;
  cur.pos = nullptr;
  return path_edit_add(code, name, args) == 0 ? 0 : -11;
}

}  // namespace

int conf_apply(int code, const char* name, line_cursor& cur) {
  conf_record& c = conf_rec;
  switch (code) {
    case KW_HOST: return on_baud(cur, c.host_baud);
    case KW_GPS: return on_baud(cur, c.gps_baud);
    case KW_TNC: return on_baud(cur, c.tnc_baud);
    case KW_CALL: return on_call(cur);
    case KW_SSID: return on_ssid(cur);
    case KW_POSITION: return on_position(cur);
    case KW_LAT: return on_plain_angle(cur, "Latitude", c.base_lat);
    case KW_LON: return on_plain_angle(cur, "Longitude", c.base_lon);
    case KW_ALTITUDE: return on_altitude(cur);
    case KW_HAVEGPS: return on_yes_no(cur, c.have_gps, false);
    case KW_LOG: return on_yes_no(cur, c.log_port, false);
    case KW_DROPMANGLED: return on_yes_no(cur, c.drop_mangled, false);
    case KW_HALTONERR: return on_yes_no(cur, c.halt_on_error, false);
    case KW_FIXVALID: return on_yes_no(cur, c.fix_valid, false);
    case KW_NSR: return on_yes_no(cur, c.nsr, false);
    case KW_RELAYDROP: return on_yes_no(cur, c.relay_drop, false);
    case KW_NONAPRS: return on_yes_no(cur, c.nonaprs, true);
    case KW_WIDEMAX: return on_wide(cur, true);
    case KW_WIDETOTAL: return on_wide(cur, false);
    case KW_DUPEWIN: return on_dupewin(cur);
    case KW_RATELIMCALL: return on_ratelimcall(cur);
    case KW_BEACON: return on_beacon(cur);
    case KW_DIGIPATH: return on_digipath(cur);
    case KW_BCOMMENT: return on_bcomment(cur);
    case KW_ICON: return on_icon(cur);
    case KW_CONTROLCALL: return on_controlcall(cur);
    case KW_UITRACE: c.uitrace = static_cast<std::uint16_t>(~c.uitrace); return 0;
    case KW_SUBSTITUTEPATH:
    case KW_DELETEPATH: return on_path_edit(code, name, cur);
  }
  std::printf("\a\aError: internal processing error 2: %s[%d]: %s\n", conf_file_name, conf_line_num,
              conf_line_copy);
  return -70;
}
