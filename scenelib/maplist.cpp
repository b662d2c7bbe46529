#include "maplist.h"

#include <cstring>

static void copy_bounded(char* dst, size_t cap, const char* src) {
  size_t n = std::strlen(src);
  if (n > cap - 1) n = cap - 1;
  std::memmove(dst, src, n);
  dst[n] = 0;
}

MMap::MMap(const char* n) {
  new_name[0] = 0;
  short_stem[0] = 0;
  copy_bounded(name, sizeof name, n ? n : "");
}

static void delete_map(void* p) { delete static_cast<MMap*>(p); }

MMapList::MMapList() : maps(new MList(delete_map)) { search_path[0] = 0; }

MMapList::~MMapList() { delete maps; }

int MMapList::AddSearchPath(const char* path) {
  if (!path || !*path) return 1;
  size_t used = std::strlen(search_path);
  size_t n = std::strlen(path);
  bool sep = path[n - 1] != ';';
  // A folder that does not fit whole is left out rather than cut.
  if (used + n + (sep ? 1 : 0) >= sizeof search_path) return 1;
  std::memcpy(search_path + used, path, n);
  used += n;
  if (sep) search_path[used++] = ';';
  search_path[used] = 0;
  return 1;
}

int MMapList::AddMap(const char* name) {
  if (!name || !*name) return 1;
  return Add(new MMap(name));
}

int MMapList::Add(MMap* map) {
  for (int i = 0; i < maps->count; ++i) {
    MMap* m = static_cast<MMap*>(maps->GetAt(i));
    if (m && std::strcmp(m->name, map->name) == 0) {
      map->ref = i;
      break;
    }
  }
  maps->Append(map);
  return 1;
}

MMap* MMapList::GetMap(int i) { return static_cast<MMap*>(maps->GetAt(i)); }

MMap* MMapList::Find(const char* name) {
  if (!name) return nullptr;
  for (int i = 0; i < Get_Count_Maps(); ++i) {
    MMap* m = GetMap(i);
    if (m && std::strcmp(m->name, name) == 0) return m;
  }
  return nullptr;
}

void MMapList::Print(FILE* fp, int, int) {
  if (!fp) return;
  std::fprintf(fp, "Scene Map List:\n");
  std::fprintf(fp, "Search Path: %s\n", search_path);
  std::fprintf(fp, "Search Pathes:\n");
  int k = 0;
  const char* p = search_path;
  while (*p) {
    const char* e = std::strchr(p, ';');
    size_t len = e ? static_cast<size_t>(e - p) : std::strlen(p);
    if (len > 0) std::fprintf(fp, "(%d) %.*s\n", k++, static_cast<int>(len), p);
    if (!e) break;
    p = e + 1;
  }
  if (Get_Count_Maps() > 0) {
    std::fprintf(fp, "Map References:\n");
    for (int i = 0; i < Get_Count_Maps(); ++i) {
      MMap* m = GetMap(i);
      std::fprintf(fp, "(%d) (%d) %s\n", i, m->ref, m->name);
    }
  }
}
