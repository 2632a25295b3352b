// Placeholders until the configuration file parser and path edits land.
#include <cstdio>

#include "conf_rec.h"
#include "path_edit.h"

int conf_process(const char*) {
  std::printf("\a\aError: configure is not available in this build\n");
  return 0;
}

void path_edit_display() { std::printf("\a\aError: deditpath is not available in this build\n"); }
