// The firmware loader: "reset" restarts the device into its loader, which
// takes the update (firmware_side) until the end-of-file record is
// acknowledged and then hands the line back to the console.
#include <cstdio>

#include "firmware_side.h"
#include "sides.h"

const sim_option firmware_options[] = {
    {"fw-reset-ms", "MS", "restart time after \"reset\" before the loader prompt (default 500)"},
    {"fw-no-prompt", nullptr, "the loader sends no prompt"},
    {"fw-prompt", "BYTES", "the loader prompt (C escapes; default \\x05)"},
    {"fw-no-sync-ack", nullptr, "do not acknowledge the sync character"},
    {"fw-sync-reply", "BYTES", "the answer to the sync character (default \\x06)"},
    {"fw-no-ident-ack", nullptr, "do not acknowledge the identifier"},
    {"fw-ident-reply", "BYTES", "the answer to the identifier (default \\x06)"},
    {"fw-save", "FILE", "append each record line received to FILE, one a line, without its CR"},
    {"fw-replies", "N:HH,...",
     "answer the Nth record line received (resends count) with byte HH; 00: no answer"},
    {nullptr, nullptr, nullptr},
};

void play_firmware(sim_link& link) {
  fw_sim_options options;
  options.prompt = sim_flag("fw-no-prompt") ? "" : sim_bytes("fw-prompt", options.prompt);
  options.sync_reply =
      sim_flag("fw-no-sync-ack") ? "" : sim_bytes("fw-sync-reply", options.sync_reply);
  options.ident_reply =
      sim_flag("fw-no-ident-ack") ? "" : sim_bytes("fw-ident-reply", options.ident_reply);
  const std::string planted = sim_text("fw-replies", "");
  if (!fw_parse_replies(planted, options.line_replies))
    std::fprintf(stderr, "zentrosim: --fw-replies %s is not N:HH,... (ignored)\n", planted.c_str());

  // Each line is saved as it comes, so an update cut short leaves its part.
  const std::string save_path = sim_text("fw-save", "");
  std::FILE* save = save_path.empty() ? nullptr : std::fopen(save_path.c_str(), "a");
  std::size_t saved = 0;

  firmware_side loader(options);
  link.pause_ms(static_cast<int>(sim_number("fw-reset-ms", 500)));
  link.put(loader.reset());
  while (!loader.finished()) {
    const int c = link.get(-1);
    if (c < 0) break;
    const auto byte = static_cast<std::uint8_t>(c);
    std::string answers;
    loader.feed(&byte, 1, answers);
    for (; save != nullptr && saved < loader.lines().size(); ++saved) {
      std::fprintf(save, "%s\n", loader.lines()[saved].text.c_str());
      std::fflush(save);
    }
    if (!answers.empty()) link.put(answers);
  }
  if (save != nullptr) std::fclose(save);
}
