// Path splitting and joining, file lookup and small file-system helpers.
// '/' separates folders; '\\' is accepted too when splitting (model files
// written on Windows name their maps that way). The drive part is always empty.
#pragma once

// Buffer sizes of the path parts, terminating NUL included. Outputs are never
// written past these; longer input is cut.
#define M_MAX_PATH 260
#define M_MAX_DRIVE 3
#define M_MAX_DIR 256
#define M_MAX_FNAME 256
#define M_MAX_EXT 256

// Splits path into drive (always ""), directory (with its trailing '/'),
// file name and extension (dot included, taken from the file-name part only).
// Any output may be null; each is a buffer of the matching M_MAX_ size.
void m_splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// Joins the parts into out (M_MAX_PATH bytes): ':' after a drive that lacks
// one, '/' after a directory that lacks one, '.' before an extension that
// lacks one; null or empty parts are left out.
void m_makepath(char* out, const char* drive, const char* dir, const char* fname, const char* ext);

// The absolute form of path in out (M_MAX_PATH bytes); returns out, or null.
char* m_getfullpath(char* out, const char* path);
// The current directory in out (size bytes); returns out, or null.
char* m_getcurdir(char* out, int size);
// Drive and directory of the absolute form of path, in out (M_MAX_PATH bytes).
char* m_getpath(char* out, const char* path);

// Finds a readable file: an absolute name is tried as it stands, otherwise in
// each directory of the ';'-separated search path. In every folder the exact
// name is tried first, then a case-insensitive match of the file name.
// Returns a static buffer (overwritten by the next call) or null.
char* m_find_file(const char* name, const char* search_path);

// Non-zero on success.
int m_CopyFile(const char* src, const char* dst, int fail_if_exists);
int m_CreateDirectory(const char* path);
void m_Sleep(unsigned long ms);
// Kept for the plug-ins that call it; file names need no change here.
void m_check_file_name(char* name);
