// The "dconfigure" text.
#include <cstdio>

#include "conf_rec.h"
#include "version.h"

namespace {

const char* yes_no(unsigned v) { return v ? "Yes" : "No"; }
const char* en_dis(unsigned v) { return v ? "En" : "Dis"; }

const char* implicit_name(unsigned action) {
  if (action == IMPLICIT_DROP) return "Drop";
  if (action == IMPLICIT_PASS) return "Pass";
  return "?";
}

}  // namespace

void conf_display() {
  const conf_record& c = conf_rec;
  std::printf(
      "Configuration %s\nStation Call\t%*s\tSSID %ld\t\tRun Mode %s\n"
      "Base Lat %10.6f\tLon %11.5f    Altitude %ld meters\n"
      "Host baud\t%lu\nGPS  baud\t%lu\nTNC  baud\t%lu\n"
      "WIDE Max %u\tWIDE Total %u\n"
      "Dupe Window %u sec.\tCall Rate Limit %u sec.\n"
      "Beacon %u sec.\tIcon %c%c\nBeacon Comment: %s\nControl Call: %s\n"
      "NSR: %sabled\tRelay Drop: %sabled",
      UTILITY_VERSION, 6, c.station_call, static_cast<long>(c.ssid), c.run_mode ? "On" : "Off",
      static_cast<double>(c.base_lat), static_cast<double>(c.base_lon),
      static_cast<long>(c.altitude), static_cast<unsigned long>(c.host_baud),
      static_cast<unsigned long>(c.gps_baud), static_cast<unsigned long>(c.tnc_baud),
      unsigned{c.wide_max}, unsigned{c.wide_total}, unsigned{c.dupe_window},
      unsigned{c.call_rate_limit}, unsigned{c.beacon_interval}, c.icon >> 8, c.icon & 0x7F,
      c.beacon_comment, c.control_call, en_dis(c.nsr), en_dis(c.relay_drop));

  std::printf("\nDigi Path[%d]: ", static_cast<int>(digi_path_count));
  for (int i = 0; i < digi_path_count && i < DIGI_PATH_MAX; ++i)
    std::printf("%.*s%s", 8, c.digi_path[i], i + 1 < digi_path_count ? "," : "");

  std::printf(
      "\nLog Port: %s\nUITrace: %s\tHave GPS: %s\n"
      "Fix Valid: %s\tPass packets without valid position: %s\n"
      "Halt On Error: %s\tDrop Mangled Packet: %s\n"
      "Rule count %u\tImplicit Rule Action: %s\n",
      yes_no(c.log_port), yes_no(c.uitrace), yes_no(c.have_gps), yes_no(c.fix_valid),
      yes_no(c.nonaprs), yes_no(c.halt_on_error), yes_no(c.drop_mangled), unsigned{c.rule_count},
      implicit_name(c.implicit_action));
}
