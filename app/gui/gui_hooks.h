// The window program's side of the plug-ins' dialogs: one KvUiHooks table
// handed to every loaded plug-in, so a plug-in shows Qt windows without
// linking Qt.
#pragma once
#include "plugin_ui.h"

class PluginRegistry;

namespace kvgui {

const KvUiHooks& UiHooks();
// Hands the table to every library of the registry that takes hooks;
// Uninstall returns them to headless mode.
void InstallUiHooks(PluginRegistry& registry);
void UninstallUiHooks(PluginRegistry& registry);

// Whether the last save prompt of a plug-in was answered with a file (an
// export that ran), and clears the mark.
bool TakeSaveAnswered();
// The same for open prompts (an import that ran).
bool TakeOpenAnswered();

}  // namespace kvgui
