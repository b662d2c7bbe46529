// Command-line options: "-key=value" arguments and "@file" response files of
// one argument per line ("//" lines are comments). Keys match
// case-insensitively as prefixes of the token.
#pragma once

// 1 when a token starting with key exists.
int m_get_cmdl_flag(int argc, const char* const* argv, const char* key);
// 1 and *out set when the token has "=" followed by an integer; key missing:
// *out = def and 0; token without a usable value: 0, *out unchanged.
int m_get_cmdl_int(int argc, const char* const* argv, const char* key, int def, int* out);
int m_get_cmdl_double(int argc, const char* const* argv, const char* key, double def, double* out);
// The text after the first '=', at most len chars and always terminated, so
// out needs len + 1 bytes -> 1; key missing: def copied the same way -> 0;
// the option without '=': 0, out unchanged.
int m_get_cmdl_string(int argc, const char* const* argv, const char* key, const char* def,
                      char* out, int len);
// The first argument (from argv[1]) that does not begin with '-' or '@'.
int m_get_cmdl_filename(int argc, const char* const* argv, char** out);

// Iteration over all tokens; the list is process-wide, one iteration at a time.
void start_cmd_pars(int argc, const char* const* argv);
char* get_next_cmd();
void stop_cmd_pars();
