// The one tokenizer of the project: the caller keeps the position, so several
// texts can be cut at the same time and a line's words can each be taken with
// their own delimiters.
//
//   get_token  next token of a text, cut in place; no hidden state
#pragma once

// Skips leading delimiters, ends the token at the next delimiter (overwritten
// with a zero byte) or at the end of the text. *rest points behind the token's
// delimiter, or at the terminating zero; *ending gets the character that ended
// the token (0 at the end). No token: nullptr, *rest = nullptr, *ending = 0.
char* get_token(char* text, const char* delims, char** rest, char* ending);
