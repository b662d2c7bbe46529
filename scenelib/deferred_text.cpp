#include "deferred_text.h"

#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "textwriter.h"

MDeferredText::~MDeferredText() {
  if (thread_.joinable()) thread_.join();
  std::free(text_);
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
  FILE* mem = open_memstream(&text_, &size_);
  if (!mem) return;
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
  if (!ok_) return false;
  out.Put(text_, size_);
  std::free(text_);
  text_ = nullptr;
  size_ = 0;
  return true;
}
