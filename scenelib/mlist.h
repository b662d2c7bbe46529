// MList: the singly linked list of element pointers behind every scene
// container. Importers append, exporters walk it by index; the list owns its
// elements through its deleter.
#pragma once
#include <cstdint>

#include "allocator.h"

struct MListNode {
  void* data;
  MListNode* next;
  KV_SHARED_HEAP
};

typedef void (*MListDeleter)(void*);

class MList {
 public:
  MListNode* head = nullptr;
  MListNode* tail = nullptr;
  int32_t count = 0;
  MListDeleter deleter = nullptr;

  explicit MList(MListDeleter d = nullptr) : deleter(d) {}
  ~MList() { Clear(); }
  MList(const MList&) = delete;
  MList& operator=(const MList&) = delete;

  void Append(void* element) {
    MListNode* n = static_cast<MListNode*>(my_new(sizeof(MListNode)));
    n->data = element;
    n->next = nullptr;
    ++count;
    if (!head) {
      head = tail = n;
    } else {
      tail->next = n;
      tail = n;
    }
  }

  // Indexed access. Loops call GetAt(0..count-1); the remembered position
  // makes such a walk linear in total instead of quadratic.
  void* GetAt(int32_t i) {
    if (i < 0 || i >= count || count == 0) return nullptr;
    MListNode* n;
    int32_t k;
    if (cursor_ && cursor_index_ <= i) {
      n = cursor_;
      k = cursor_index_;
    } else {
      n = head;
      k = 0;
    }
    if (i == count - 1) {
      n = tail;
      k = i;
    }
    while (n && k < i) {
      n = n->next;
      ++k;
    }
    if (!n) return nullptr;
    cursor_ = n;
    cursor_index_ = k;
    return n->data;
  }

  // Removes element i; -1 or any index past the end means the last element.
  void RemoveAt(int32_t i) {
    if (count == 0 || !head) return;
    if (i < 0 || i >= count) i = count - 1;
    cursor_ = nullptr;
    MListNode* prev = nullptr;
    MListNode* n = head;
    for (int32_t k = 0; k < i && n->next; ++k) {
      prev = n;
      n = n->next;
    }
    if (prev)
      prev->next = n->next;
    else
      head = n->next;
    if (n == tail) tail = prev;
    if (deleter) deleter(n->data);
    my_free(n);
    --count;
  }

  // Deletes every element and node; the list stays usable and empty.
  void Clear() {
    MListNode* n = head;
    while (n) {
      MListNode* next = n->next;
      if (deleter) deleter(n->data);
      my_free(n);
      n = next;
    }
    head = tail = nullptr;
    count = 0;
    cursor_ = nullptr;
    cursor_index_ = 0;
  }

  KV_SHARED_HEAP

 private:
  MListNode* cursor_ = nullptr;  // last node GetAt returned
  int32_t cursor_index_ = 0;
};
