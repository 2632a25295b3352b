// The simulator's command-line options.
//
// Options are "--name value" or "--name" alone (a flag). The console and each
// side declare the options they read in a table of sim_option rows; the
// parser accepts exactly the declared names, so a misspelt option is an
// error and not a silently ignored test set-up.
//
//   parse_sim_options  fill the store from argv; false (with a message) on error
//   sim_flag           whether a flag was given
//   sim_number         an option's decimal value, or a default
//   sim_text           an option's text, or a default
//   sim_bytes          an option's text with C escapes (\r \n \t \\ \xNN \0) decoded
//   print_sim_usage    the usage text with every declared option
#pragma once

#include <map>
#include <string>

struct sim_option {
  const char* name;  // without the leading "--"
  const char* arg;   // what its value is; nullptr for a flag
  const char* help;
};

bool parse_sim_options(int argc, char** argv);
bool sim_flag(const char* name);
long sim_number(const char* name, long fallback);
std::string sim_text(const char* name, const std::string& fallback);
std::string sim_bytes(const char* name, const std::string& fallback);
void print_sim_usage();
