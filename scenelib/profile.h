// The per-user settings store: text files under
// $XDG_CONFIG_HOME/KorvaneSoft1/ (default ~/.config/KorvaneSoft1/), one file
// per application name holding its sections. Every value is a string.
#pragma once
#include "allocator.h"

class Profile {
 public:
  char name[260];

  // The running program's file name without folder and extension.
  Profile();
  explicit Profile(const char* name);

  // Always 1. A stored value is copied (at most 255 chars, and at most
  // size-1) into buffer; a missing one copies def (when not null); when the
  // store cannot be read, buffer is left alone.
  int GetString(const char* section, const char* key, const char* def, char* buffer,
                unsigned long size);
  // Parsed like strtol / strtod ("12abc" gives 12).
  int GetInt(const char* section, const char* key, long def, unsigned long* out);
  int GetDouble(const char* section, const char* key, double def, double* out);

  // 1 when stored, 0 otherwise; values of 4096 bytes or more (NUL included)
  // are refused. Every write replaces the file atomically.
  int WriteString(const char* section, const char* key, const char* value);
  int WriteInt(const char* section, const char* key, unsigned long value);
  int WriteDouble(const char* section, const char* key, double value);

  // Number of values of a section / of its sub-sections ("sec\\sub" or
  // "sec/sub" names a sub-section). 1 on success, 0 if the section is absent.
  int GetValCount(const char* section, unsigned long* n);
  int GetSubCount(const char* section, unsigned long* n);
  // The index-th value of the section, in the order they were first written.
  // *name_len and *data_len hold the buffer sizes on entry and the lengths
  // (without NUL for the name, with NUL for the data) on return; *type is 1
  // (a string). Any pointer may be null. 1 on success, 0 otherwise.
  int EnumValue(const char* section, unsigned long index, char* name_buf, unsigned long* name_len,
                unsigned long* type, unsigned char* data, unsigned long* data_len);

  KV_SHARED_HEAP
};

// The folder of the store (created on demand by writes), in out (260 bytes).
void m_profile_dir(char* out);
