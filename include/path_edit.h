// Path substitutions and deletions held in the configuration record.
//
//   path_edit_display  the "deditpath" text
#pragma once

void path_edit_display();
