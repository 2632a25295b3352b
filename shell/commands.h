// Running one command line: matching its first word and dispatching.
#pragma once

enum class shell_outcome { next_prompt, exit_program };

// Runs the command in line (no line feed; cut in place while parsing).
shell_outcome run_command_line(char* line);
