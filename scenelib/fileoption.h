// Option records of importers and exporters, loaded from the settings store
// (written back when destroyed) or from a command line (never written back).
// Plug-ins derive from them, load their own fields in their constructor and
// save them in their destructor.
#pragma once
#include <cstdio>

#include "allocator.h"

class Base_FileOption {
 public:
  int cmd_mode = 0;             // 0: settings store, 1: command line
  char* reg_name = nullptr;     // store name of the plug-in; null in command-line mode
  int argc = 0;
  char** argv = nullptr;        // not copied, must outlive the record
  char* logfilename = nullptr;
  int verbose_mode = 0;

  Base_FileOption();
  Base_FileOption(const char* reg_name, const char* logname);
  Base_FileOption(int argc, const char* const* argv, const char* logname);
  // Copies own their strings (a shallow copy would free them twice).
  Base_FileOption(const Base_FileOption& o);
  Base_FileOption& operator=(const Base_FileOption& o);
  virtual ~Base_FileOption();

  virtual int LoadReg();
  virtual int LoadCmd();
  virtual int Save();

  KV_SHARED_HEAP
};

class Import_FileOption : public Base_FileOption {
 public:
  char* fullfilename = nullptr;
  char* filter = nullptr;

  Import_FileOption();
  Import_FileOption(const char* reg_name, const char* logname);
  Import_FileOption(int argc, const char* const* argv, const char* logname);
  Import_FileOption(const Import_FileOption& o);
  Import_FileOption& operator=(const Import_FileOption& o);
  ~Import_FileOption() override;

  int LoadReg() override;
  int LoadCmd() override;
  int Save() override;

  char* Get_Filename() { return fullfilename; }
  void Set_Filename(const char* s);
  char* Get_Filter() { return filter; }
  void Set_Filter(const char* s);

  virtual void Print_Options(FILE* f);
  static const char* Get_HelpString();

 protected:
  // This level's fields only (the constructors and destructor use them).
  int LoadOwnReg();
  int SaveOwn();

 public:
  KV_SHARED_HEAP
};

class Export_FileOption : public Base_FileOption {
 public:
  char* pathname = nullptr;
  char* filename = nullptr;
  char* ext = nullptr;
  char* filter = nullptr;
  char* subdir = nullptr;
  char* importfilename = nullptr;
  int ld_mode = 0;      // 0 DOS, 1 UNIX, 2 MAC
  int subdir_mode = 0;  // 1: the import file name becomes a sub-directory
  int keep_axes = 0;    // 1: coordinates as stored, not turned into the format's axes

  Export_FileOption();
  Export_FileOption(const char* reg_name, const char* logname);
  Export_FileOption(int argc, const char* const* argv, const char* logname);
  Export_FileOption(const Export_FileOption& o);
  Export_FileOption& operator=(const Export_FileOption& o);
  ~Export_FileOption() override;

  int LoadReg() override;
  int LoadCmd() override;
  int Save() override;

  char* Get_Pathname() { return pathname; }
  void Set_Pathname(const char* s);
  char* Get_Filename() { return filename; }
  void Set_Filename(const char* s);
  char* Get_Ext() { return ext; }
  void Set_Ext(const char* s);
  char* Get_Filter() { return filter; }
  void Set_Filter(const char* s);
  char* Get_SubDir() { return subdir; }
  void Set_SubDir(const char* s);
  char* Get_ImportFilename() { return importfilename; }
  void Set_ImportFilename(const char* s);
  // Name and extension of importfilename, in a static buffer.
  char* Get_RelImportFilename();

  virtual void Print_Options(FILE* f);
  static const char* Get_HelpString();

 protected:
  // This level's fields only (the constructors and destructor use them).
  int LoadOwnReg();
  int SaveOwn();

 public:
  KV_SHARED_HEAP
};
