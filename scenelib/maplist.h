// The texture map files a scene refers to, and the folders to look for them in.
#pragma once
#include <cstdint>
#include <cstdio>

#include "allocator.h"
#include "mlist.h"

#define MMAP_NAME_LEN 1024
#define MMAP_SEARCH_PATH_LEN 4096

class MMap {
 public:
  char new_name[MMAP_NAME_LEN];  // set by the map conversion
  char name[MMAP_NAME_LEN];      // as the model refers to it
  // A stem that fits a format's name limit, given when the map is copied or
  // converted and its own name does not fit; empty otherwise.
  char short_stem[MMAP_NAME_LEN];
  int32_t ref = -1;              // index of the first earlier entry of that name

  explicit MMap(const char* n = "");
  KV_SHARED_HEAP
};

class MMapList {
 public:
  char search_path[MMAP_SEARCH_PATH_LEN];  // folders separated by ';'
  MList* maps;                             // owned MMap*

  MMapList();
  ~MMapList();
  MMapList(const MMapList&) = delete;
  MMapList& operator=(const MMapList&) = delete;

  int AddSearchPath(const char* path);
  int AddMap(const char* name);
  int Get_Count_Maps() const { return maps ? maps->count : 0; }
  MMap* GetMap(int i);
  // The first entry of that name, null when there is none.
  MMap* Find(const char* name);
  void Print(FILE* fp, int a = 0, int b = 0);

  KV_SHARED_HEAP

 private:
  int Add(MMap* map);
};
