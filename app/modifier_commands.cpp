#include "modifier_commands.h"

#include <cerrno>
#include <cstring>
#include <set>
#include <utility>

#include "conversion.h"
#include "host_progress.h"
#include "mscene.h"

namespace kvhost {

namespace {

MScene* SceneAt(ConversionDriver& driver, int k) { return static_cast<MScene*>(driver.scenes->GetAt(k)); }

// The object positions, per scene, of the given object-list lines. Lines
// skip objects the list does not show and run over all scenes, so a line is
// an object position only in the simplest case.
std::vector<std::vector<int>> PositionsOfLines(ConversionDriver& driver, const std::vector<int>& lines) {
  std::set<int> wanted(lines.begin(), lines.end());
  std::vector<std::vector<int>> out(static_cast<size_t>(driver.scenes->count));
  int line = 0;
  for (int k = 0; k < driver.scenes->count; ++k) {
    MScene* scene = SceneAt(driver, k);
    if (!scene || !scene->objects) continue;
    for (int i = 0; i < scene->objects->count; ++i) {
      if (ObjectListLine(static_cast<MObj3d*>(scene->objects->GetAt(i))).empty()) continue;
      if (wanted.count(line++)) out[static_cast<size_t>(k)].push_back(i);
    }
  }
  return out;
}

template <class Record>
std::unique_ptr<Record> LoadFile(std::unique_ptr<Record> r, const std::string& path, std::string& why) {
  errno = 0;
  if (r->LoadFile(path.c_str()) != 1) {
    why = "cannot read modifier options '" + path + "': " + std::strerror(errno ? errno : ENOENT);
    return nullptr;
  }
  return r;
}

}  // namespace

std::unique_ptr<ObjModOption1> NewObjectModifierOptions(const char* logname) {
  return std::unique_ptr<ObjModOption1>(new ObjModOption1(0, nullptr, logname));
}

std::unique_ptr<ObjModOption2> NewSceneModifierOptions(const char* logname) {
  return std::unique_ptr<ObjModOption2>(new ObjModOption2(0, nullptr, logname));
}

int ModifyObjects(ConversionDriver& driver, const std::vector<int>& lines, ObjModOption1& options) {
  if (driver.scenes->count == 0 || lines.empty()) return 0;
  std::vector<std::vector<int>> positions = PositionsOfLines(driver, lines);
  ProgressScope progress;
  int done = 0;
  for (int k = 0; k < driver.scenes->count; ++k) {
    const std::vector<int>& mine = positions[static_cast<size_t>(k)];
    if (mine.empty()) continue;
    options.object_mode = 0;
    options.Set_Selection(mine.data(), static_cast<int>(mine.size()));
    mod_objects(SceneAt(driver, k), &options, progress.callbacks());
    ++done;
  }
  return done;
}

int ModifyScene(ConversionDriver& driver, ObjModOption2& options) {
  ProgressScope progress;
  progress.ShowRows(1);
  for (int k = 0; k < driver.scenes->count; ++k) mod_objects(SceneAt(driver, k), &options, progress.callbacks());
  return driver.scenes->count;
}

void RunModifierPasses(ConversionDriver& driver, ObjModOption1* objects, ObjModOption2* scene) {
  if (!objects && !scene) return;
  ProgressScope progress;
  for (int k = 0; k < driver.scenes->count; ++k) {
    if (objects) mod_objects(SceneAt(driver, k), objects, progress.callbacks());
  }
  progress.ShowRows(1);
  for (int k = 0; k < driver.scenes->count; ++k) {
    if (scene) mod_objects(SceneAt(driver, k), scene, progress.callbacks());
  }
  progress.ShowRows(3);
}

std::unique_ptr<ObjModOption1> LoadObjectModifierFile(const std::string& path, std::string& why) {
  // A file that leaves the selection out means every object; one that
  // writes "-object_mode = 0;" keeps its list.
  std::unique_ptr<ObjModOption1> r = NewObjectModifierOptions("objmod1.log");
  r->object_mode = 1;
  return LoadFile(std::move(r), path, why);
}

std::unique_ptr<ObjModOption2> LoadSceneModifierFile(const std::string& path, std::string& why) {
  return LoadFile(NewSceneModifierOptions("objmod2.log"), path, why);
}

}  // namespace kvhost
