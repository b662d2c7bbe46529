#include "allocator.h"

#include <cstdlib>
#include <cstring>

// Plain C heap semantics: null on failure, never an exception.
void* my_malloc(size_t size) {
  return std::malloc(size ? size : 1);
}

void* my_calloc(size_t n, size_t size) {
  return std::calloc(n ? n : 1, size ? size : 1);
}

void* my_realloc(void* ptr, size_t size) {
  return std::realloc(ptr, size ? size : 1);
}

void* my_new(size_t size) {
  void* p = my_malloc(size);
  if (!p) throw std::bad_alloc();
  return p;
}

void my_free(void* ptr) { std::free(ptr); }

char* my_strdup(const char* s) {
  if (!s) return nullptr;
  size_t n = std::strlen(s) + 1;
  char* d = static_cast<char*>(my_malloc(n));
  if (!d) return nullptr;
  std::memcpy(d, s, n);
  return d;
}

const char* korvanelib_version() { return KORVANE_VERSION_STRING; }
