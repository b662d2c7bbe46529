// What the korvane-cli source files share: the loaded plug-ins and the
// arguments handed to them, the terminal progress, and the batch commands.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "objmod.h"
#include "plugin_host.h"

namespace kvcli {

// The plug-ins and the arguments handed to them (they must outlive the run).
struct Session {
  PluginRegistry registry;
  std::string plugin_dir;
  std::vector<char*> plugin_argv;
  explicit Session(const std::string& dir) : plugin_dir(dir) {}
};

// Loads the plug-in folder and puts every plug-in in command-line mode with
// these arguments, also without any: the option records then never write
// the settings store.
void LoadPlugins(Session& s, const std::vector<char*>& plugin_args, char* program);

// The records of --objmod and --scenemod (either may stay null).
struct ModifierFiles {
  std::unique_ptr<ObjModOption1> objects;
  std::unique_ptr<ObjModOption2> scene;
  // Loads the files named (an empty name: none); false with why.
  bool Load(const std::string& objmod, const std::string& scenemod, std::string& why);
};

// The plug-ins show no progress of their own (a batch shows its own line).
void QuietPluginProgress(PluginRegistry& registry);

// The host's progress on standard error when it is a terminal, else none.
void UseTerminalProgress();
// Text shown before the rows, such as "[3/200] model.obj"; "" for none.
void SetTerminalProgressPrefix(const std::string& prefix);

// batch, batch-add and batch-worker (the worker mode behind batch --jobs).
bool IsBatchCommand(const std::string& cmd);
// batch, batch-add and the worker mode: argv[first] is the first argument
// after the command.
int BatchMain(const std::string& cmd, int argc, char** argv, int first, const std::string& plugin_dir);

}  // namespace kvcli
