// Placeholders until the angle parser lands.
#include "angles.h"

float dmctodeg(const char*) { return ANGLE_FAIL; }

const char angles_help_text[] = "\a\aError: angles is not available in this build";
