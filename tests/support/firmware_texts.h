// What the firmware update prints, as the firmware tests expect it.
//
//   WARNING   the warning before the update, up to its wait for Enter
#pragma once

#include <string>

inline const std::string WARNING =
    "\n\a\aWARNING! The Zentrovane Firmware is about to be updated!\n"
    "This will take less than 5 minutes.\n"
    "Do NOT interrupt the process once started!\n"
    "If power is interrupted during this process you may not be able\n"
    "to communicate with the Zentrovane due to firmware corruption.\n"
    "If this happens correct the power problem and restart this entire process.\n"
    "\n"
    "Type the Enter key when you are ready to continue...";
