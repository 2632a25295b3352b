// The simulated device's side of a download.
#include "download_side.h"

#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "crc16.h"
#include "download.h"
#include "path_edit.h"

namespace {

constexpr std::size_t MAX_PACKET = 1024;

std::uint16_t u16_at(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | p[1] << 8); }
std::uint32_t u32_at(const std::uint8_t* p) {
  return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t{p[3]} << 24;
}

std::string field_text(const std::uint8_t* p, std::size_t n) {
  return std::string(reinterpret_cast<const char*>(p),
                     strnlen(reinterpret_cast<const char*>(p), n));
}

}  // namespace

void download_side::feed(const std::uint8_t* data, std::size_t n, std::string& answers) {
  for (std::size_t i = 0; i < n && !silent_; ++i) {
    pkt_.push_back(data[i]);
    if (pkt_.size() < 2) continue;
    const std::size_t len = std::size_t{pkt_[0]} << 8 | pkt_[1];
    if (len < static_cast<std::size_t>(DWN_MIN_PKT) || len > MAX_PACKET) {
      // No packet can be this long or short: drop what came and ask again.
      refusals_.push_back("bad length " + std::to_string(len));
      pkt_.clear();
      answers += static_cast<char>(DWN_NAK);
      continue;
    }
    if (pkt_.size() < len) continue;
    sizes_.push_back(static_cast<int>(len));
    const char a = answer_packet();
    pkt_.clear();
    if (!silent_) answers += a;
  }
}

char download_side::answer_packet() {
  const auto planted = options_.faults.find(packet_no_);
  if (planted != options_.faults.end()) {
    dl_fault& f = planted->second;
    if (f.silent) {
      silent_ = true;
      return 0;
    }
    if (f.answer >= 0) return static_cast<char>(f.answer);
    if (f.naks > 0) {
      --f.naks;
      return static_cast<char>(DWN_NAK);
    }
  }
  std::string why;
  if (crc16(CRC_INIT, pkt_.data(), pkt_.size()) != 0) {
    why = "bad crc";
  } else if (accept(pkt_, why)) {
    ++packet_no_;
    return static_cast<char>(DWN_ACK);
  }
  refusals_.push_back(why);
  return static_cast<char>(DWN_NAK);
}

bool download_side::accept(const std::vector<std::uint8_t>& pkt, std::string& why) {
  const std::uint8_t* payload = pkt.data() + 2;
  const std::size_t n = pkt.size() - 4;
  if (expect_ == expect::nothing) {
    why = "packet after the finish";
    return false;
  }
  if (expect_ == expect::header) {
    if (pkt.size() != static_cast<std::size_t>(DWN_HEADER_LEN)) {
      why = "header expected, got " + std::to_string(pkt.size()) + " bytes";
      return false;
    }
    const std::string name = field_text(payload, DWN_NAME_LEN);
    const std::string size_text = field_text(pkt.data() + DWN_SIZE_OFF, DWN_SIZE_LEN);
    const std::size_t size = std::strtoul(size_text.c_str(), nullptr, 10);
    if (name == "-cestfini-") {
      expect_ = expect::nothing;
      done_ = true;
      return true;
    }
    if (name == "conf" && size == CONF_REC_SIZE) {
      expect_ = expect::conf_data;
    } else if (name == "rules" && size % RULE_REC_SIZE == 0 && size <= RULE_MAX * RULE_REC_SIZE) {
      expect_ = expect::rules_data;
    } else {
      why = "unknown header " + name + " " + size_text;
      return false;
    }
    incoming_.clear();
    target_size_ = size;
    if (size == 0) {
      rules_.clear();
      have_rules_ = true;
      expect_ = expect::header;
    }
    return true;
  }
  if (n > target_size_ - incoming_.size()) {
    why = "more data than announced";
    return false;
  }
  incoming_.insert(incoming_.end(), payload, payload + n);
  if (incoming_.size() == target_size_) {
    if (expect_ == expect::conf_data) {
      conf_ = incoming_;
      have_conf_ = true;
    } else {
      rules_ = incoming_;
      have_rules_ = true;
    }
    expect_ = expect::header;
  }
  return true;
}

conf_record decode_conf(const std::uint8_t* w) {
  conf_record r{};
  r.host_baud = u32_at(w + 0);
  r.gps_baud = u32_at(w + 4);
  r.tnc_baud = u32_at(w + 8);
  r.altitude = static_cast<std::int32_t>(u32_at(w + 12));
  r.base_lat = std::bit_cast<float>(u32_at(w + 16));
  r.base_lon = std::bit_cast<float>(u32_at(w + 20));
  std::memcpy(r.station_call, w + 24, sizeof r.station_call);
  std::uint16_t* words[] = {&r.ssid,
                            &r.wide_max,
                            &r.wide_total,
                            &r.relay_drop,
                            &r.uitrace,
                            &r.nsr,
                            &r.have_gps,
                            &r.dupe_window,
                            &r.beacon_interval,
                            &r.icon,
                            &r.log_port,
                            &r.halt_on_error,
                            &r.drop_mangled,
                            &r.fix_valid,
                            &r.nonaprs,
                            &r.call_rate_limit,
                            &r.run_mode,
                            &r.implicit_action,
                            &r.rule_count};
  for (std::size_t i = 0; i < sizeof words / sizeof words[0]; ++i)
    *words[i] = u16_at(w + 32 + 2 * i);
  std::memcpy(r.digi_path, w + 70, sizeof r.digi_path);
  std::memcpy(r.beacon_comment, w + 134, sizeof r.beacon_comment);
  std::memcpy(r.control_call, w + 178, sizeof r.control_call);
  r.subst_count = u16_at(w + 188);
  r.delete_count = u16_at(w + 190);
  std::memcpy(r.path_edits, w + 192, sizeof r.path_edits);
  std::memcpy(r.subst_paths, w + 384, sizeof r.subst_paths);
  return r;
}

rule_record decode_rule(const std::uint8_t* w) {
  rule_record r{};
  std::memcpy(r.arg, w, sizeof r.arg);
  r.kind = w[24];
  r.flags = w[25];
  r.line_no = static_cast<std::int16_t>(u16_at(w + 26));
  return r;
}

void dwn_print_received(const download_side& side) {
  if (!side.have_conf()) {
    std::printf("No configuration received\n");
    return;
  }
  // The displays show the process-wide records; this process holds no
  // other, so the received ones take their place.
  conf_rec = decode_conf(side.conf_bytes().data());
  digi_path_count = 0;
  while (digi_path_count < DIGI_PATH_MAX && conf_rec.digi_path[digi_path_count][0] != '\0')
    ++digi_path_count;
  conf_display();
  path_edit_display();
  if (!side.have_rules()) {
    std::printf("No rules received\n");
    return;
  }
  const auto& rules = side.rules_bytes();
  const std::size_t count = rules.size() / RULE_REC_SIZE;
  std::memset(rule_table, 0, sizeof rule_table);
  for (std::size_t i = 0; i < count && i < RULE_MAX; ++i)
    rule_table[i] = decode_rule(rules.data() + i * RULE_REC_SIZE);
  rules_display();
}
