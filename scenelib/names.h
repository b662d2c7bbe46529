// Name rules: identifiers for export formats and clean object names on import.
#pragma once

// The name made fit for an exporter's identifiers, in one static buffer that
// the next call overwrites (cut at 1023 characters). Mode 0 prefixes "P_",
// mode 5 "T_", modes 1-4 and 6 keep the name; all of them turn every
// character other than a letter, digit or underscore into '_'. Mode 20 drops
// control characters. Any other mode (or a null name) returns null.
char* m_unifymeshname(const char* name, int mode);

// Cleans an imported name in place: cut to len, leading blanks and quotes
// and trailing blanks, quotes and unprintables removed, "N" before a leading
// digit, everything but letters and digits turned into '_', an empty result
// becomes "tmp_obj". At most len characters are stored, so s must have room
// for len + 1 bytes; len <= 0 leaves s alone.
void m_cleanup_name(char* s, int len);
