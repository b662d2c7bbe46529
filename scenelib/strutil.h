// Small string helpers shared by the importers.
#pragma once

// The first character of s that is not ' '.
char* m_strip_spaces(char* s);
const char* m_strip_spaces(const char* s);
// Lower-cases letters in place; returns s.
char* m_strlwr(char* s);
// Turns decimal commas into points in place; returns s.
char* m_check_f(char* s);
// Replaces from by to in the first n characters (stops at the NUL); returns s.
char* m_search_replace(char* s, int n, char from, char to);
// Splits s at every sep into a my_malloc'ed array of my_malloc'ed strings
// (count = number of separators + 1). Returns 1, or 0 for a null s or on
// allocation failure (count 0, list null). Free with m_freestring_list.
int m_seperatestring(const char* s, int* count, char*** list, char sep);
void m_freestring_list(int count, char** list);
