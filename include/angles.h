// Angles in Colon, Dotted and DMC notation.
//
//   dmctodeg         text of one angle -> degrees (South/West negative), or
//                    ANGLE_FAIL after printing why the text was refused
//   angles_help_text the text the "angles" command prints
#pragma once

constexpr float ANGLE_FAIL = 3.4028235e38f;  // largest finite float

float dmctodeg(const char* inp);
extern const char angles_help_text[];
