// The one place where the device's sides are registered.
#include "sides.h"

const sim_side sim_sides[] = {
    {"serialtest", play_serialtest, serialtest_options},
    {"download", play_download, download_options},
    {"reset", play_firmware, firmware_options},
    {nullptr, nullptr, nullptr},
};
