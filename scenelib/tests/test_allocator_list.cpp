#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "allocator.h"
#include "mlist.h"

namespace {

int g_deleted = 0;
void count_delete(void* p) {
  ++g_deleted;
  my_free(p);
}

int* make_int(int v) {
  int* p = static_cast<int*>(my_malloc(sizeof(int)));
  *p = v;
  return p;
}

}  // namespace

TEST(Allocator, StrdupCopiesAndNullStaysNull) {
  char* s = my_strdup("chair");
  EXPECT_STREQ(s, "chair");
  my_free(s);
  EXPECT_EQ(my_strdup(nullptr), nullptr);
  auto* z = static_cast<unsigned char*>(my_calloc(16, 4));
  for (int i = 0; i < 64; ++i) EXPECT_EQ(z[i], 0);
  my_free(z);
}

TEST(MList, AppendGetAtAndOutOfRange) {
  MList l(count_delete);
  for (int i = 0; i < 5; ++i) l.Append(make_int(i));
  EXPECT_EQ(l.count, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(*static_cast<int*>(l.GetAt(i)), i);
  // Backwards and random access must not be confused by the remembered position.
  EXPECT_EQ(*static_cast<int*>(l.GetAt(4)), 4);
  EXPECT_EQ(*static_cast<int*>(l.GetAt(1)), 1);
  EXPECT_EQ(*static_cast<int*>(l.GetAt(3)), 3);
  EXPECT_EQ(l.GetAt(5), nullptr);
  EXPECT_EQ(l.GetAt(-1), nullptr);
}

TEST(MList, RemoveAtClampsAndRelinks) {
  g_deleted = 0;
  MList l(count_delete);
  for (int i = 0; i < 5; ++i) l.Append(make_int(i));
  l.GetAt(3);
  l.RemoveAt(-1);  // removes 4
  l.RemoveAt(99);  // removes 3
  EXPECT_EQ(l.count, 3);
  EXPECT_EQ(g_deleted, 2);
  EXPECT_EQ(*static_cast<int*>(l.tail->data), 2);
  l.RemoveAt(0);
  EXPECT_EQ(*static_cast<int*>(l.GetAt(0)), 1);
  l.RemoveAt(1);
  EXPECT_EQ(l.head, l.tail);
  l.Append(make_int(7));
  EXPECT_EQ(*static_cast<int*>(l.GetAt(1)), 7);
  l.Clear();
  EXPECT_EQ(l.count, 0);
  EXPECT_EQ(l.head, nullptr);
  EXPECT_EQ(g_deleted, 6);
  l.RemoveAt(0);  // empty: nothing happens
}

TEST(MList, NullDeleterKeepsElements) {
  int a = 1, b = 2;
  MList l;
  l.Append(&a);
  l.Append(&b);
  l.RemoveAt(0);
  EXPECT_EQ(l.GetAt(0), &b);
}
