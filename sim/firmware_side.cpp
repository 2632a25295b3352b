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

// "\xHH" escapes and plain characters; out is left alone on a bad escape.
bool unescape(const std::string& text, std::string& result) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\') {
      out += text[i];
      continue;
    }
    if (i + 3 >= text.size() || text[i + 1] != 'x') return false;
    const int hi = hex_digit(text[i + 2]), lo = hex_digit(text[i + 3]);
    if (hi < 0 || lo < 0) return false;
    out += static_cast<char>(hi << 4 | lo);
    i += 3;
  }
  result = out;
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

bool fw_sim_parse_option(const std::string& arg, fw_sim_options& options, std::string& error) {
  const auto value_of = [&](const char* name, std::string& value) {
    const std::string prefix = std::string(name) + "=";
    if (arg.compare(0, prefix.size(), prefix) != 0) return false;
    value = arg.substr(prefix.size());
    return true;
  };
  std::string value;
  std::string* text = nullptr;
  if (value_of("--fw-prompt", value)) text = &options.prompt;
  if (value_of("--fw-sync-reply", value)) text = &options.sync_reply;
  if (value_of("--fw-ident-reply", value)) text = &options.ident_reply;
  if (text != nullptr) {
    if (unescape(value, *text)) return true;
    error = "bad escape in " + arg;
    return false;
  }
  if (!value_of("--fw-reply", value)) return false;
  char* end = nullptr;
  const long line = std::strtol(value.c_str(), &end, 10);
  if (line < 1 || *end != ':') {
    error = "expected --fw-reply=N:HH, got " + arg;
    return false;
  }
  const long byte = std::strtol(end + 1, &end, 16);
  if (*end != '\0' || byte < 0 || byte > 255) {
    error = "expected --fw-reply=N:HH, got " + arg;
    return false;
  }
  options.line_replies[static_cast<int>(line)] = static_cast<std::uint8_t>(byte);
  return true;
}
