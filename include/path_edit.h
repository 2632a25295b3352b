// Path substitutions and deletions held in the configuration record, and the
// parse state of the configuration file they are read from.
//
// A "substitutepath" line appends an entry to conf_rec.path_edits and owns the
// next conf_rec.subst_paths slot; a "deletepath" line appends an entry only.
// Entries keep file order; the counts say how many are in use. A failed line
// leaves the counts alone, so whatever it half-wrote lies beyond them.
//
//   get_token             next token of a text, cut in place; no hidden state
//   path_edit_add         parse one path edit line's arguments into the tables
//   check_path_edit_dupe  1-based position of an entry equal to a new one, or 0
//   path_edit_display     the "deditpath" text
#pragma once

#include "conf_rec.h"
#include "get_token.h"

// The configuration file being read: its name, the count of lines read, the
// current line as read (for messages) and its first '#', '/' or ';'.
constexpr int CONF_LINE_SIZE = 256;
extern const char* conf_file_name;
extern int conf_line_num;
extern char conf_line_copy[CONF_LINE_SIZE];
extern const char* conf_comment;

// code is KW_SUBSTITUTEPATH or KW_DELETEPATH; args is the line after the
// keyword, in the current line's buffer (conf_comment is compared with it).
// 0 when the entry was added, else a negative code after a message.
int path_edit_add(int code, const char* cmd_name, char* args);
int check_path_edit_dupe(const path_edit* poe);
void path_edit_display();
