// The simulated device's side of a download.
//
// After the "download" command the device reads framed packets: a 2-byte
// big-endian length, the rest of the packet, then it checks the CRC over the
// whole packet (a good packet checks to 0) and answers ACK, or NAK for a
// packet that is damaged or out of place. Header packets name what follows
// ("conf", "rules") and its size; data packets fill it; "-cestfini-" ends the
// transfer. Faults can be planted on packet M (counted from 1, the conf
// header; retransmissions keep their number): K NAKs before it is judged, a
// wrong answer byte, or silence from that packet on.
//
//   download_side::feed     take bytes from the host, append the answers
//   download_side::done     the finish packet was acknowledged
//   conf_bytes/rules_bytes  what the device now holds
//   decode_conf/decode_rules  wire bytes back into records
//   dwn_print_received      show what was received as dconfigure/drules do
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "conf_rec.h"
#include "rule_rec.h"

// Faults planted on packets, by number (from 1, the conf header;
// retransmissions keep their number).
struct dl_fault {
  int naks = 0;         // NAK this many transmissions before judging it
  int answer = -1;      // answer every transmission with this byte instead
  bool silent = false;  // no answer to it, nor to anything after it
};

struct dl_sim_options {
  std::map<int, dl_fault> faults;
};

class download_side {
 public:
  explicit download_side(dl_sim_options options = {}) : options_(std::move(options)) {}

  void feed(const std::uint8_t* data, std::size_t n, std::string& answers);
  bool done() const { return done_; }
  bool silent() const { return silent_; }
  // No packet is half received.
  bool between_packets() const { return pkt_.empty(); }

  const std::vector<std::uint8_t>& conf_bytes() const { return conf_; }
  const std::vector<std::uint8_t>& rules_bytes() const { return rules_; }
  bool have_conf() const { return have_conf_; }
  bool have_rules() const { return have_rules_; }
  // Sizes of every packet received, retransmissions included.
  const std::vector<int>& packet_sizes() const { return sizes_; }
  // Why packets were refused, in order ("bad crc", ...).
  const std::vector<std::string>& refusals() const { return refusals_; }

 private:
  enum class expect { header, conf_data, rules_data, nothing };
  char answer_packet();
  bool accept(const std::vector<std::uint8_t>& pkt, std::string& why);

  dl_sim_options options_;
  std::vector<std::uint8_t> pkt_;
  int packet_no_ = 1;  // number of the packet now being received
  expect expect_ = expect::header;
  std::size_t target_size_ = 0;
  std::vector<std::uint8_t> conf_, rules_, incoming_;
  bool have_conf_ = false, have_rules_ = false;
  bool done_ = false, silent_ = false;
  std::vector<int> sizes_;
  std::vector<std::string> refusals_;
};

conf_record decode_conf(const std::uint8_t* wire);
rule_record decode_rule(const std::uint8_t* wire);
// Prints the held configuration and rules with the utility's own displays.
void dwn_print_received(const download_side& side);
