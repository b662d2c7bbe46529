// The meshes of a 3DS file are independent of each other: a second thread
// builds some of them while this one builds the rest. Each is built with a
// context of its own (its error list, its log lines kept in memory), and
// the meshes and their lines reach the scene and the log in file order, as
// from one thread.
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "3ds_chunk.h"
#include "3ds_import.h"
#include "korvanelib.h"

namespace imp3ds {
namespace {

// Below this many bytes of meshes one thread builds them all.
constexpr uint64_t kSecondThreadFrom = 1 << 20;

// Log lines held until their turn.
class MemoryLog {
 public:
  explicit MemoryLog(bool on) : log_(nullptr, nullptr) {
    if (!on) return;
    log_.fp = open_memstream(&text_, &size_);
    log_.is_open = log_.fp ? 1 : 0;
    failed_ = !log_.fp;
  }
  ~MemoryLog() {
    Close();
    std::free(text_);
  }
  MemoryLog(const MemoryLog&) = delete;
  MemoryLog& operator=(const MemoryLog&) = delete;
  bool failed() const { return failed_; }
  LogFile& log() { return log_; }
  void WriteTo(LogFile& out) {
    Close();
    FILE* f = out.Get_FILE();
    if (!f || !text_ || !size_) return;
    std::fwrite(text_, 1, size_, f);
    std::fflush(f);
  }

 private:
  void Close() {
    if (!log_.fp) return;
    std::fclose(log_.fp);
    log_.fp = nullptr;
    log_.is_open = 0;
  }
  LogFile log_;
  char* text_ = nullptr;
  size_t size_ = 0;
  bool failed_ = false;
};

struct Built {
  std::unique_ptr<MemoryLog> log;
  k3ds::ErrorList err;
  MMesh_P* mesh = nullptr;
  int damaged = 0;
  bool done = false;
};

// A built mesh's chunks are not read again: their pages of the file leave
// memory, so that the file and the scene are not both held in full.
void ReleaseChunks(const Context& ctx, const k3ds::Chunk& part) {
  if (ctx.file && ctx.file->data()) ctx.file->Release(ctx.file->data() + part.pos, part.length);
}

void ImportInOneThread(Context& ctx, const std::vector<MeshPart>& meshes) {
  for (size_t i = 0; i < meshes.size(); ++i) {
    Item(ctx, meshes[i].name.c_str(), static_cast<long>(i), static_cast<long>(meshes.size()));
    if (MMesh_P* m = BuildMesh(ctx, *meshes[i].obj, *meshes[i].part, meshes[i].name)) ctx.scene->objects->Append(m);
    ReleaseChunks(ctx, *meshes[i].part);
  }
}

}  // namespace

void ImportMeshes(Context& ctx, const std::vector<MeshPart>& meshes) {
  uint64_t bytes = 0;
  for (const MeshPart& p : meshes) bytes += p.part->length;
  if (meshes.size() < 2 || bytes < kSecondThreadFrom) return ImportInOneThread(ctx, meshes);
  const size_t n = meshes.size();
  const bool logging = ctx.log.Get_FILE() != nullptr;
  std::vector<Built> built(n);
  for (Built& b : built) {
    b.log = std::make_unique<MemoryLog>(logging);
    if (b.log->failed()) return ImportInOneThread(ctx, meshes);
  }
  auto build = [&](size_t i, MessageCallBack1* cb) {
    Built& b = built[i];
    Context c{ctx.scene, b.err, b.log->log(), cb};
    b.mesh = BuildMesh(c, *meshes[i].obj, *meshes[i].part, meshes[i].name);
    ReleaseChunks(ctx, *meshes[i].part);
    b.damaged = c.damaged;
    b.done = true;
  };
  std::atomic<size_t> next{0};
  // Only this thread reports progress: the host's callbacks are not the
  // second thread's to call.
  std::thread helper;
  try {
    helper = std::thread([&] {
      try {
        for (size_t i; (i = next.fetch_add(1)) < n;) build(i, nullptr);
      } catch (...) {
        // Out of memory there: what it has not done is done below.
      }
    });
  } catch (const std::system_error&) {
  }
  for (size_t i; (i = next.fetch_add(1)) < n;) {
    Item(ctx, meshes[i].name.c_str(), static_cast<long>(i), static_cast<long>(n));
    build(i, ctx.cb);
  }
  if (helper.joinable()) helper.join();
  for (size_t i = 0; i < n; ++i) {
    Built& b = built[i];
    if (!b.done) {
      b = Built();
      b.log = std::make_unique<MemoryLog>(logging);
      build(i, ctx.cb);
    }
    b.log->WriteTo(ctx.log);
    ctx.damaged += b.damaged;
    if (b.mesh) ctx.scene->objects->Append(b.mesh);
  }
}

}  // namespace imp3ds
