// The command table, prefix matching and the help summary.
#pragma once

struct cmd_entry {
  int shown;  // 1 = listed by help
  int code;   // cmd_code
  const char* name;
  const char* args;
  const char* comment;
};

extern const cmd_entry cmd_table[];
extern const int cmd_table_size;

enum class match_result { found, unknown, ambiguous };

// Case-insensitive prefix match of word against every row, hidden rows too.
match_result match_command(const char* word, const cmd_entry** entry);
void help_summary();
