// What the modifier pass files share; not part of the public interface.
#pragma once
#include <vector>

#include "logfile.h"
#include "msgcallback.h"
#include "objmod.h"

class MObj3d;
class MScene;

namespace kvobjmod {

// The log and the callbacks of one running pass. Texts from model files
// (object names) always go through "%s", never as a format.
class Pass {
 public:
  // Opens the record's log in the current directory when it is verbose and
  // writes "Object Modifier" into it; the caller adds the options.
  Pass(const Base_FileOption& options, MessageCallBack1* cb);
  Pass(const Pass&) = delete;
  Pass& operator=(const Pass&) = delete;

  FILE* log_file() { return log_.Get_FILE(); }
  LogFile& log() { return log_; }
  void say(int level, const char* text);
  void progress(int level, long done, long total);
  // The level-3 progress function, handed to the mesh operations.
  MProgressCallback face_progress() const { return cb_.progress3; }

 private:
  LogFile log_;
  MessageCallBack1 cb_;
};

// Splits every selected mesh by surface; the pieces replace it at the end of
// the scene's objects, and the selection becomes the selected objects that
// stayed, then the pieces. True when some object was split.
bool split_by_surface(MScene* scene, std::vector<MObj3d*>& selection, Pass& pass);

// The clean-up and transform steps on each selected object. True when the
// geometry of some mesh changed.
bool run_object_steps(const std::vector<MObj3d*>& selection, ObjModOption1& options, Pass& pass);

}  // namespace kvobjmod
