// Path splitting and joining, file lookup and small file-system helpers.
// '/' separates folders; '\\' is accepted too when splitting (model files
// written on Windows name their maps that way). The drive part is always empty.
#pragma once
#include <string>

// Buffer sizes of the path parts, terminating NUL included. Outputs are never
// written past these; longer input is cut.
#define M_MAX_PATH 260
#define M_MAX_DRIVE 3
#define M_MAX_DIR 256
#define M_MAX_FNAME 256
#define M_MAX_EXT 256

// Splits path into drive (always ""), directory (with its trailing '/'),
// file name and extension (dot included, taken from the file-name part only).
// Any output may be null; each is a buffer of the matching M_MAX_ size, and
// a part longer than its buffer is cut (the split itself sees the whole
// path, so a long folder never costs the extension).
void m_splitpath(const char* path, char* drive, char* dir, char* fname, char* ext);
// The same split without any length limit: what the program uses for paths
// of its own (a path may be longer than any fixed buffer).
struct MPathParts {
  std::string dir;    // with its trailing separator, "" for none
  std::string fname;  // without extension
  std::string ext;    // with its dot, "" for none
};
MPathParts m_split_path(const char* path);
// dir (a '/' added when it lacks a separator), fname and ext (a '.' added
// when it lacks one); empty parts are left out. Nothing is cut.
std::string m_join_path(const std::string& dir, const std::string& fname, const std::string& ext);

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
