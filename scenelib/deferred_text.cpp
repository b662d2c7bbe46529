#include "deferred_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>

#include "textwriter.h"

namespace {
constexpr size_t kBlock = (4u << 20) - 64;  // a little under two huge pages with malloc's header
}

MDeferredText::~MDeferredText() {
  if (thread_.joinable()) thread_.join();
  Free();
}

void MDeferredText::Free() {
  for (Block& b : blocks_) std::free(b.text);
  blocks_.clear();
}

ssize_t MDeferredText::Append(void* self, const char* s, size_t n) {
  auto& blocks = static_cast<MDeferredText*>(self)->blocks_;
  const size_t total = n;
  try {
    while (n > 0) {
      if (blocks.empty() || blocks.back().used == kBlock) {
        char* text = static_cast<char*>(std::malloc(kBlock));
        if (!text) return -1;
        blocks.push_back(Block{text, 0});
      }
      Block& b = blocks.back();
      const size_t take = n < kBlock - b.used ? n : kBlock - b.used;
      std::memcpy(b.text + b.used, s, take);
      b.used += take;
      s += take;
      n -= take;
    }
  } catch (...) {
    return -1;
  }
  return static_cast<ssize_t>(total);
}

bool MDeferredText::Start(int ld_mode, std::function<void(MTextWriter&)> write) {
  if (started_) return false;
  try {
    thread_ = std::thread([this, ld_mode, write = std::move(write)] { Run(ld_mode, write); });
  } catch (const std::system_error&) {
    return false;
  }
  started_ = true;
  return true;
}

bool MDeferredText::RunHere(int ld_mode, const std::function<void(MTextWriter&)>& write) {
  if (started_) return false;
  started_ = true;
  Run(ld_mode, write);
  return ok_;
}

void MDeferredText::Run(int ld_mode, const std::function<void(MTextWriter&)>& write) {
  cookie_io_functions_t io{};
  io.write = Append;
  FILE* mem = fopencookie(this, "w", io);
  if (!mem) return;
  setvbuf(mem, nullptr, _IONBF, 0);  // the text writer buffers already
  bool failed = false;
  try {
    MTextWriter w(mem, ld_mode);
    write(w);
    w.Flush();
    failed = w.Failed();
  } catch (...) {
    failed = true;  // out of memory: the caller writes the text itself
  }
  if (std::fclose(mem) != 0) failed = true;
  ok_ = !failed;
}

bool MDeferredText::WriteTo(MTextWriter& out) {
  if (!started_) return false;
  if (thread_.joinable()) thread_.join();
  started_ = false;
  if (!ok_) {
    Free();
    return false;
  }
  for (Block& b : blocks_) {
    out.Put(b.text, b.used);
    std::free(b.text);
    b.text = nullptr;
  }
  blocks_.clear();
  return true;
}
