// The simulated device's side of a firmware update.
//
// The host's "reset" command restarts the device into its loader, which sends
// its prompt (ENQ) once the restart is over. The loader then answers the sync
// character (SYN) and the 9-byte identifier "ZeTrVa1.0" with ACK, and after
// that reads record lines ended by a CR. Each line gets one reply byte: ACK
// for a good record, 0x11 when it does not begin with ':', 0x15 when its
// length or digits are wrong and 0x12 when its checksum is. A reply can be
// planted on the Nth line received (resends count): any byte, 0x00 meaning
// no reply at all. The prompt, the sync reply and the identifier reply can be
// replaced by other bytes or by silence (an empty text).
//
//   firmware_side::reset     enter the loader; the bytes of its prompt
//   firmware_side::feed      take bytes from the host, append the replies
//   firmware_side::lines     every record line received, with its reply
//   firmware_side::finished  the end-of-file record was acknowledged
//   fw_parse_replies         read "N:HH,N:HH..." into planted line replies
#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

struct fw_sim_options {
  std::string prompt = "\x05";
  std::string sync_reply = "\x06";
  std::string ident_reply = "\x06";
  std::map<int, std::uint8_t> line_replies;  // line received (from 1) -> reply
};

struct fw_line {
  std::string text;  // without its CR
  int reply;         // the byte sent back, or -1 for none
};

class firmware_side {
 public:
  explicit firmware_side(fw_sim_options options = {}) : options_(std::move(options)) {}

  std::string reset();
  void feed(const std::uint8_t* data, std::size_t n, std::string& answers);
  bool in_loader() const { return state_ != state::off; }
  bool finished() const { return finished_; }
  const std::vector<fw_line>& lines() const { return lines_; }

 private:
  enum class state { off, sync, ident, records };
  int answer_line(const std::string& line);

  fw_sim_options options_;
  state state_ = state::off;
  std::string pending_;  // identifier or record line being received
  std::vector<fw_line> lines_;
  bool finished_ = false;
};

// Line numbers from 1 and hexadecimal bytes, comma-separated. On a malformed
// list it returns false and leaves replies as they were.
bool fw_parse_replies(const std::string& text, std::map<int, std::uint8_t>& replies);
