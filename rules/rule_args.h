// Reading the arguments of one rule line into a rule record.
//
// Each kind reads its arguments in a fixed order, each with its delimiter
// set, and checks each before the next is taken; the first fault prints its
// message and ends the line. Calls may carry the modifiers "*" (any call),
// a trailing "*" (prefix) or "-n" (SSID 0..15).
//
//   read_rule_args   fill rec's argument fields and modifiers for kind;
//                    0, or the fault's negative code after its message
#pragma once

#include "rule_line.h"
#include "rule_rec.h"

int read_rule_args(rule_line& ln, int kind, rule_record& rec);
