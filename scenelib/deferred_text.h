// Text formatted on a second thread into memory while the writer goes on
// with what comes before it in the file, then put in its place: for large
// blocks of numbers, whose formatting is the bulk of a text export.
#pragma once
#include <cstddef>
#include <sys/types.h>
#include <functional>
#include <thread>
#include <vector>

class MTextWriter;

class MDeferredText {
 public:
  MDeferredText() = default;
  ~MDeferredText();
  MDeferredText(const MDeferredText&) = delete;
  MDeferredText& operator=(const MDeferredText&) = delete;

  // Runs write on a second thread, into memory, with this line delimiter
  // mode. write must only read what the caller does not change meanwhile,
  // and must not call the host (no progress). False: no thread.
  bool Start(int ld_mode, std::function<void(MTextWriter&)> write);
  // Runs write on this thread, into memory: text that follows a block
  // still being formatted elsewhere. False: no memory for it.
  bool RunHere(int ld_mode, const std::function<void(MTextWriter&)>& write);
  // Start or RunHere was called.
  bool Started() const { return started_; }
  // Waits for the text and puts it into out. False when nothing was
  // started or the text could not be made: the caller writes it itself.
  bool WriteTo(MTextWriter& out);

 private:
  struct Block {
    char* text;
    size_t used;
  };
  static ssize_t Append(void* self, const char* s, size_t n);
  void Run(int ld_mode, const std::function<void(MTextWriter&)>& write);
  void Free();
  std::thread thread_;
  // The text in blocks of kBlock bytes: growing one buffer would copy it
  // and clear each new half, twice the memory traffic of writing it.
  std::vector<Block> blocks_;
  bool started_ = false;
  bool ok_ = false;
};
