// Placeholder until the download lands.
#include <cstdio>

#include "download.h"

void download_command() { std::printf("\a\aError: download is not available in this build\n"); }
