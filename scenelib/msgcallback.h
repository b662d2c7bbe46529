// MessageCallBack1: the callback record every long operation (import,
// export, modifier pass, map handling) receives. Six functions in a fixed
// order: level-1 message and progress, level-2 pair, level-3 pair.
#pragma once

#include "allocator.h"

// printf-style status text.
typedef void (*MMessageCallback)(const char* fmt, ...);
// (done, total); the same type the mesh algorithms take.
typedef void (*MProgressCallback)(long done, long total);

class MessageCallBack1 {
 public:
  MMessageCallback msg1 = nullptr;
  MProgressCallback progress1 = nullptr;
  MMessageCallback msg2 = nullptr;
  MProgressCallback progress2 = nullptr;
  MMessageCallback msg3 = nullptr;
  MProgressCallback progress3 = nullptr;

  MessageCallBack1() = default;
  MessageCallBack1(MMessageCallback m1, MProgressCallback p1, MMessageCallback m2, MProgressCallback p2,
                   MMessageCallback m3, MProgressCallback p3)
      : msg1(m1), progress1(p1), msg2(m2), progress2(p2), msg3(m3), progress3(p3) {}
  MessageCallBack1(const MessageCallBack1&) = default;
  MessageCallBack1& operator=(const MessageCallBack1&) = default;

  KV_SHARED_HEAP
};
