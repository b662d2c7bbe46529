// The shared allocator. Everything that one module allocates and another
// frees (scenes, objects, option records, strings) goes through these, so all
// modules agree on one heap.
#pragma once
#include <cstddef>
#include <new>

void* my_malloc(size_t size);
void* my_calloc(size_t n, size_t size);
void* my_realloc(void* ptr, size_t size);
void my_free(void* ptr);
char* my_strdup(const char* s);

// Class-level operator new/delete over the shared allocator, for every class
// whose objects cross module boundaries.
void* my_new(size_t size);  // my_malloc, throwing std::bad_alloc on failure

#define KV_SHARED_HEAP                                                   \
  static void* operator new(size_t n) { return my_new(n); }              \
  static void* operator new[](size_t n) { return my_new(n); }            \
  static void operator delete(void* p) { my_free(p); }                   \
  static void operator delete[](void* p) { my_free(p); }                 \
  static void* operator new(size_t, void* where) { return where; }       \
  static void operator delete(void*, void*) {}

// Version of the library ("0.1.0").
const char* korvanelib_version();
