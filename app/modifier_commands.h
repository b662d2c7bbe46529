// The modifier commands of the host: "Modify Objects" and "Modify Scene" on
// the driver's scenes, and both passes as a batch entry or a korvane-cli
// conversion runs them. The window program's dialogs only edit the option
// records and call these.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "objmod.h"

class ConversionDriver;

namespace kvhost {

// Fresh records as the commands make them: built from no arguments, so the
// settings store is never written.
std::unique_ptr<ObjModOption1> NewObjectModifierOptions(const char* logname = "objmod.log");
std::unique_ptr<ObjModOption2> NewSceneModifierOptions(const char* logname = "objmod.log");

// Modify Objects: the object pass on the objects behind the given lines of
// the driver's object list (ObjectList), scene by scene, each scene with the
// positions of its own selected objects (object_mode 0). Returns the number
// of scenes worked on; 0 when there is no scene or no line names an object.
int ModifyObjects(ConversionDriver& driver, const std::vector<int>& lines, ObjModOption1& options);
// Modify Scene: the scene pass on every scene, the window showing its first
// row only. Returns the number of scenes.
int ModifyScene(ConversionDriver& driver, ObjModOption2& options);

// The object pass (as its record selects: all objects with object_mode 1),
// then the scene pass, on every scene; either record may be null.
void RunModifierPasses(ConversionDriver& driver, ObjModOption1* objects, ObjModOption2* scene);

// A record for a run over files: the object pass works on all objects
// unless the file selects some. Null with why when the file cannot be read.
std::unique_ptr<ObjModOption1> LoadObjectModifierFile(const std::string& path, std::string& why);
std::unique_ptr<ObjModOption2> LoadSceneModifierFile(const std::string& path, std::string& why);

}  // namespace kvhost
