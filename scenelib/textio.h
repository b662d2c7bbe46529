// Line reading and line-delimiter-aware writing for text formats.
#pragma once
#include <cstdio>

// Reads one line into buf (at most size-1 chars, always terminated) without
// its line end. LF, CR, CR LF and other control chars below 32 end a line;
// TAB is dropped. A longer line is continued by the next call. A last line
// without a line end is still delivered; returns null at end of file.
char* m_read_line(char* buf, int size, FILE* file);
char* m_read_line1(char* buf, int size, FILE* file);
// Consumes the rest of the line (LF, CR LF or CR).
void m_skip_line(FILE* file);
// Size of the file; the read position is kept.
long m_filesize(FILE* file);
long m_filepos(FILE* file);

// printf into a 1024-byte buffer (cut there), each "\n" written as CR LF
// (ld_mode 0, DOS), LF (1, UNIX), CR (2, MAC) or dropped (other modes).
// Returns the number of characters formatted (after the cut).
int m_fprintf(int ld_mode, FILE* file, const char* fmt, ...)
    __attribute__((format(printf, 3, 4)));
