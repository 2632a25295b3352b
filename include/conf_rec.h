// The device's configuration record and the state beside it.
//
// The record is a wire format: the device receives its 904 bytes unchanged.
// In memory it is a plain struct of host values whose natural layout matches
// the wire offsets (checked below); conf_rec_to_wire() writes the bytes out
// little-endian field by field, so nothing depends on the host's byte order.
//
//   conf_load_defaults  copy conf_default over conf_rec, digi_path_count = 0
//   get_baud            look a rate up in baud_table (nullptr when absent)
//   conf_display        the "dconfigure" text
//   conf_rec_to_wire    serialise a record to its 904 wire bytes
//   conf_process        read a configuration file (config parser)
#pragma once

#include <cstddef>
#include <cstdint>

constexpr std::size_t CONF_REC_SIZE = 904;
constexpr int DIGI_PATH_MAX = 8;
constexpr int PATH_EDIT_MAX = 16;
constexpr int SUBST_PATH_MAX = 8;
constexpr std::uint16_t IMPLICIT_DROP = 100;  // 'd'
constexpr std::uint16_t IMPLICIT_PASS = 112;  // 'p'

// A station address: call text (at most 6 characters, zero-filled) and the
// SSID octet laid out as in an AX.25 address.
struct digi_addr {
  char call[7];
  std::uint8_t ssid;
};
static_assert(sizeof(digi_addr) == 8);

// One path substitution or deletion.
struct path_edit {
  digi_addr match;            // digi to match; empty text = any digi
  std::uint8_t match_index;   // 0 any position, else 1..8
  std::uint8_t action_index;  // 0 for "*", else 1..8
  std::uint8_t subst_index;   // substitution: index into subst_paths
  std::uint8_t flags;         // PE_* below
};
static_assert(sizeof(path_edit) == 12);

constexpr std::uint8_t PE_SUBST = 0x01;
constexpr std::uint8_t PE_DELETE = 0x02;
constexpr std::uint8_t PE_STARRED = 0x10;
constexpr std::uint8_t PE_ANY = 0x30;
constexpr std::uint8_t PE_SSID = 0x40;

struct subst_path {
  digi_addr addr[8];
  std::uint8_t count;
};
static_assert(sizeof(subst_path) == 65);

struct conf_record {
  std::uint32_t host_baud;
  std::uint32_t gps_baud;
  std::uint32_t tnc_baud;
  std::int32_t altitude;
  float base_lat;
  float base_lon;
  char station_call[8];
  std::uint16_t ssid;
  std::uint16_t wide_max;
  std::uint16_t wide_total;
  std::uint16_t relay_drop;
  std::uint16_t uitrace;
  std::uint16_t nsr;
  std::uint16_t have_gps;
  std::uint16_t dupe_window;
  std::uint16_t beacon_interval;
  std::uint16_t icon;  // low byte symbol code, high byte symbol table
  std::uint16_t log_port;
  std::uint16_t halt_on_error;
  std::uint16_t drop_mangled;
  std::uint16_t fix_valid;
  std::uint16_t nonaprs;
  std::uint16_t call_rate_limit;
  std::uint16_t run_mode;
  std::uint16_t implicit_action;
  std::uint16_t rule_count;
  char digi_path[DIGI_PATH_MAX][8];
  char beacon_comment[44];
  char control_call[10];
  std::uint16_t subst_count;
  std::uint16_t delete_count;
  path_edit path_edits[PATH_EDIT_MAX];
  subst_path subst_paths[SUBST_PATH_MAX];
};

static_assert(sizeof(conf_record) == CONF_REC_SIZE);
static_assert(offsetof(conf_record, host_baud) == 0);
static_assert(offsetof(conf_record, gps_baud) == 4);
static_assert(offsetof(conf_record, tnc_baud) == 8);
static_assert(offsetof(conf_record, altitude) == 12);
static_assert(offsetof(conf_record, base_lat) == 16);
static_assert(offsetof(conf_record, base_lon) == 20);
static_assert(offsetof(conf_record, station_call) == 24);
static_assert(offsetof(conf_record, ssid) == 32);
static_assert(offsetof(conf_record, wide_max) == 34);
static_assert(offsetof(conf_record, wide_total) == 36);
static_assert(offsetof(conf_record, relay_drop) == 38);
static_assert(offsetof(conf_record, uitrace) == 40);
static_assert(offsetof(conf_record, nsr) == 42);
static_assert(offsetof(conf_record, have_gps) == 44);
static_assert(offsetof(conf_record, dupe_window) == 46);
static_assert(offsetof(conf_record, beacon_interval) == 48);
static_assert(offsetof(conf_record, icon) == 50);
static_assert(offsetof(conf_record, log_port) == 52);
static_assert(offsetof(conf_record, halt_on_error) == 54);
static_assert(offsetof(conf_record, drop_mangled) == 56);
static_assert(offsetof(conf_record, fix_valid) == 58);
static_assert(offsetof(conf_record, nonaprs) == 60);
static_assert(offsetof(conf_record, call_rate_limit) == 62);
static_assert(offsetof(conf_record, run_mode) == 64);
static_assert(offsetof(conf_record, implicit_action) == 66);
static_assert(offsetof(conf_record, rule_count) == 68);
static_assert(offsetof(conf_record, digi_path) == 70);
static_assert(offsetof(conf_record, beacon_comment) == 134);
static_assert(offsetof(conf_record, control_call) == 178);
static_assert(offsetof(conf_record, subst_count) == 188);
static_assert(offsetof(conf_record, delete_count) == 190);
static_assert(offsetof(conf_record, path_edits) == 192);
static_assert(offsetof(conf_record, subst_paths) == 384);

struct baud_entry {
  std::uint32_t baud;
  std::uint32_t settable;  // the port-capability bit of the rate
};

extern const baud_entry baud_table[];  // ends with {0, 0}
extern const conf_record conf_default;
extern conf_record conf_rec;
extern std::int32_t digi_path_count;
extern int conf_processed;

void conf_load_defaults();
const baud_entry* get_baud(long baud);
void conf_display();
void conf_rec_to_wire(const conf_record& rec, std::uint8_t out[CONF_REC_SIZE]);

// Configuration file parser: 0 on success, a negative code on failure.
int conf_process(const char* file_name);
