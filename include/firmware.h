// Firmware replacement from an Intel HEX file: 0 on success, negative on
// failure (the file, the port or the device's replies).
#pragma once

int firmware(int com_port, const char* filename);
