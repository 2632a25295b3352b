// The download: after "download" the device takes framed packets until the
// finish packet, answering each, and keeps the configuration and rules.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "download_side.h"
#include "sides.h"

const sim_option download_options[] = {
    {"nak-packet", "M", "NAK packet M (from 1, the conf header) --naks times"},
    {"naks", "K", "the NAKs --nak-packet gets before it is judged (default 5)"},
    {"wrong-answer-at", "M", "answer packet M with --wrong-answer"},
    {"wrong-answer", "BYTE", "the wrong answer byte (default 0x41)"},
    {"silent-at", "M", "give no answer to packet M nor to anything after it"},
    {"download-save", "PREFIX",
     "after a download: PREFIX.conf, PREFIX.rules as received, PREFIX.txt decoded"},
    {nullptr, nullptr, nullptr},
};

namespace {

dl_sim_options planted_faults() {
  dl_sim_options o;
  if (const long m = sim_number("nak-packet", 0); m > 0)
    o.faults[static_cast<int>(m)].naks = static_cast<int>(sim_number("naks", 5));
  if (const long m = sim_number("wrong-answer-at", 0); m > 0)
    o.faults[static_cast<int>(m)].answer =
        static_cast<int>(sim_number("wrong-answer", 0x41) & 0xFF);
  if (const long m = sim_number("silent-at", 0); m > 0) o.faults[static_cast<int>(m)].silent = true;
  return o;
}

bool write_file(const std::string& path, const void* data, std::size_t n) {
  // Written aside and renamed, so a reader never sees half a file.
  const std::string temp = path + ".tmp";
  std::FILE* f = std::fopen(temp.c_str(), "wb");
  if (f == nullptr) return false;
  const bool ok = (n == 0 || std::fwrite(data, 1, n, f) == n) && std::fclose(f) == 0;
  return ok && std::rename(temp.c_str(), path.c_str()) == 0;
}

void save(const download_side& side, const std::string& prefix) {
  const auto& conf = side.conf_bytes();
  const auto& rules = side.rules_bytes();
  // The decoded text comes from the utility's displays, which print on
  // standard output: point it at the file for the while.
  const std::string text = prefix + ".txt";
  std::fflush(stdout);
  const int saved = dup(1);
  bool ok = std::freopen(text.c_str(), "w", stdout) != nullptr;
  if (ok) dwn_print_received(side);
  std::fflush(stdout);
  dup2(saved, 1);
  close(saved);
  ok = ok && write_file(prefix + ".conf", conf.data(), conf.size()) &&
       write_file(prefix + ".rules", rules.data(), rules.size());
  if (!ok) std::perror("zentrosim: cannot save the download");
}

}  // namespace

void play_download(sim_link& link) {
  download_side side(planted_faults());
  for (;;) {
    const int c = link.get(-1);
    if (c < 0) return;  // stopping
    // Between packets a length never starts with 0x03: the utility has given
    // up and is interrupting to connect again.
    if (c == 0x03 && (side.silent() || side.between_packets())) return;
    const std::uint8_t b = static_cast<std::uint8_t>(c);
    std::string answers;
    side.feed(&b, 1, answers);
    if (!answers.empty()) link.put(answers);
    if (side.done()) break;
  }
  const std::string prefix = sim_text("download-save", "");
  if (!prefix.empty()) save(side, prefix);
}
