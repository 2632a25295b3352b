#include "firmware_side.h"

#include <cstdlib>

namespace {

constexpr std::uint8_t ACK = 0x06;
constexpr std::uint8_t SYN = 0x16;
constexpr std::uint8_t NO_START = 0x11;
constexpr std::uint8_t BAD_SUM = 0x12;
constexpr std::uint8_t NAK = 0x15;
constexpr std::size_t MAX_LINE = 1024;  // longer input is not a record
const std::string IDENT = "ZeTrVa1.0";

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Decodes the hex pairs after the colon; false when a digit is bad or the
// count of characters is odd.
bool record_bytes(const std::string& line, std::vector<std::uint8_t>& bytes) {
  if ((line.size() - 1) % 2 != 0) return false;
  for (std::size_t i = 1; i + 1 < line.size(); i += 2) {
    const int hi = hex_digit(line[i]), lo = hex_digit(line[i + 1]);
    if (hi < 0 || lo < 0) return false;
    bytes.push_back(static_cast<std::uint8_t>(hi << 4 | lo));
  }
  return true;
}

}  // namespace

std::string firmware_side::reset() {
  state_ = state::sync;
  pending_.clear();
  finished_ = false;
  return options_.prompt;
}

void firmware_side::feed(const std::uint8_t* data, std::size_t n, std::string& answers) {
  for (std::size_t i = 0; i < n; ++i) {
    const char c = static_cast<char>(data[i]);
    switch (state_) {
      case state::off: break;
      case state::sync:
        if (data[i] == SYN) {
          answers += options_.sync_reply;
          state_ = state::ident;
        }
        break;
      case state::ident:
        pending_ += c;
        if (pending_.size() < IDENT.size()) break;
        if (pending_ == IDENT) {
          answers += options_.ident_reply;
          state_ = state::records;
        } else {
          answers += static_cast<char>(NAK);
        }
        pending_.clear();
        break;
      case state::records:
        if (c != '\r') {
          if (pending_.size() < MAX_LINE) pending_ += c;
          break;
        }
        const int reply = answer_line(pending_);
        lines_.push_back({pending_, reply});
        pending_.clear();
        if (reply >= 0) answers += static_cast<char>(reply);
        break;
    }
  }
}

int firmware_side::answer_line(const std::string& line) {
  const int number = static_cast<int>(lines_.size()) + 1;
  const auto planted = options_.line_replies.find(number);
  if (planted != options_.line_replies.end()) return planted->second == 0 ? -1 : planted->second;
  if (line.empty() || line[0] != ':') return NO_START;
  std::vector<std::uint8_t> bytes;
  if (!record_bytes(line, bytes) || bytes.size() < 5 || bytes.size() != 5u + bytes[0]) return NAK;
  std::uint8_t sum = 0;
  for (std::uint8_t b : bytes) sum = static_cast<std::uint8_t>(sum + b);
  if (sum != 0) return BAD_SUM;
  if (bytes[3] == 0x01) finished_ = true;
  return ACK;
}

bool fw_parse_replies(const std::string& text, std::map<int, std::uint8_t>& replies) {
  std::map<int, std::uint8_t> parsed = replies;
  const char* p = text.c_str();
  while (*p != '\0') {
    char* end = nullptr;
    const long line = std::strtol(p, &end, 10);
    if (end == p || line < 1 || line > 1000000 || *end != ':') return false;
    p = end + 1;
    const long byte = std::strtol(p, &end, 16);
    if (end == p || byte < 0 || byte > 255 || (*end != ',' && *end != '\0')) return false;
    parsed[static_cast<int>(line)] = static_cast<std::uint8_t>(byte);
    p = *end == ',' ? end + 1 : end;
  }
  replies = parsed;
  return true;
}
