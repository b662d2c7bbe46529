// Loading the plug-ins and the modifier files for a korvane-cli command.
#include "cli_common.h"
#include "modifier_commands.h"
#include "plugin_framework.h"

namespace kvcli {

void LoadPlugins(Session& s, const std::vector<char*>& plugin_args, char* program) {
  s.registry.Load(s.plugin_dir.c_str(), KV_PLUGIN_VERSION);
  s.plugin_argv.clear();
  s.plugin_argv.push_back(program);
  for (char* a : plugin_args) s.plugin_argv.push_back(a);
  s.plugin_argv.push_back(nullptr);
  // Always command-line mode, also without options: the option records then
  // never write the settings store.
  s.registry.SetCommandLine(static_cast<int>(s.plugin_argv.size() - 1), s.plugin_argv.data());
}

bool ModifierFiles::Load(const std::string& objmod, const std::string& scenemod, std::string& why) {
  if (!objmod.empty() && !(objects = kvhost::LoadObjectModifierFile(objmod, why))) return false;
  if (!scenemod.empty() && !(scene = kvhost::LoadSceneModifierFile(scenemod, why))) return false;
  return true;
}

namespace {

// A progress window that shows nothing.
void* NoWindow(const char*) {
  static int window;
  return &window;
}

}  // namespace

void QuietPluginProgress(PluginRegistry& registry) {
  KvUiHooks hooks{};
  hooks.size = sizeof hooks;
  hooks.progress_create = NoWindow;
  for (int i = 0; i < registry.libraries->count; ++i) {
    PluginLibrary* lib = static_cast<PluginLibrary*>(registry.libraries->GetAt(i));
    if (lib && lib->status == 0 && lib->lib_set_ui_hooks)
      reinterpret_cast<LibSetUiHooksProc>(lib->lib_set_ui_hooks)(&hooks);
  }
}

}  // namespace kvcli
