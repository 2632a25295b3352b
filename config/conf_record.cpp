// The working configuration record, its default image and the baud table.
#include <bit>
#include <cstdio>
#include <cstring>

#include "conf_rec.h"

namespace {

constexpr conf_record make_default() {
  conf_record r{};
  r.host_baud = 19200;
  r.gps_baud = 9600;
  r.tnc_baud = 19200;
  r.altitude = 0;
  // 0/0 marks a station that has not yet been placed, like the NOTSET call.
  r.base_lat = 0.0f;
  r.base_lon = 0.0f;
  const char call[8] = {'N', 'O', 'T', 'S', 'E', 'T', 0, 0};
  for (int i = 0; i < 8; ++i) r.station_call[i] = call[i];
  r.ssid = 0;
  r.wide_max = 3;
  r.wide_total = 6;
  r.dupe_window = 28;
  r.beacon_interval = 600;
  r.icon = 0x2F23;  // symbol table '/', symbol code '#'
  r.log_port = 1;
  r.drop_mangled = 1;
  r.fix_valid = 1;
  r.run_mode = 0x0070;
  return r;
}

void put_u16(std::uint8_t* p, std::uint16_t v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}

void put_u32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

const conf_record conf_default = make_default();
conf_record conf_rec = make_default();
std::int32_t digi_path_count = 0;
int conf_processed = 0;

const baud_entry baud_table[] = {
    {110, 0x2},      {300, 0x10},      {600, 0x20},       {1200, 0x40},    {2400, 0x100},
    {4800, 0x200},   {9600, 0x800},    {14400, 0x1000},   {19200, 0x2000}, {38400, 0x4000},
    {56000, 0x8000}, {57600, 0x40000}, {115200, 0x20000}, {0, 0},
};

void conf_load_defaults() {
  conf_rec = conf_default;
  digi_path_count = 0;
}

const baud_entry* get_baud(long baud) {
  if (baud == 0) {
    std::printf("get_baud: Error: invalid baud: %ld\n", baud);
    return nullptr;
  }
  for (const baud_entry* e = baud_table; e->baud != 0; ++e)
    if (e->baud == static_cast<unsigned long>(baud)) return e;
  return nullptr;
}

void conf_rec_to_wire(const conf_record& rec, std::uint8_t out[CONF_REC_SIZE]) {
  std::memset(out, 0, CONF_REC_SIZE);
  put_u32(out + 0, rec.host_baud);
  put_u32(out + 4, rec.gps_baud);
  put_u32(out + 8, rec.tnc_baud);
  put_u32(out + 12, static_cast<std::uint32_t>(rec.altitude));
  put_u32(out + 16, std::bit_cast<std::uint32_t>(rec.base_lat));
  put_u32(out + 20, std::bit_cast<std::uint32_t>(rec.base_lon));
  std::memcpy(out + 24, rec.station_call, 8);
  const std::uint16_t words[] = {rec.ssid,
                                 rec.wide_max,
                                 rec.wide_total,
                                 rec.relay_drop,
                                 rec.uitrace,
                                 rec.nsr,
                                 rec.have_gps,
                                 rec.dupe_window,
                                 rec.beacon_interval,
                                 rec.icon,
                                 rec.log_port,
                                 rec.halt_on_error,
                                 rec.drop_mangled,
                                 rec.fix_valid,
                                 rec.nonaprs,
                                 rec.call_rate_limit,
                                 rec.run_mode,
                                 rec.implicit_action,
                                 rec.rule_count};
  for (std::size_t i = 0; i < sizeof words / sizeof words[0]; ++i)
    put_u16(out + 32 + 2 * i, words[i]);
  std::memcpy(out + 70, rec.digi_path, sizeof rec.digi_path);
  std::memcpy(out + 134, rec.beacon_comment, sizeof rec.beacon_comment);
  std::memcpy(out + 178, rec.control_call, sizeof rec.control_call);
  put_u16(out + 188, rec.subst_count);
  put_u16(out + 190, rec.delete_count);
  // Path edits and substitution paths are all single bytes.
  std::memcpy(out + 192, rec.path_edits, sizeof rec.path_edits);
  std::memcpy(out + 384, rec.subst_paths, sizeof rec.subst_paths);
}
