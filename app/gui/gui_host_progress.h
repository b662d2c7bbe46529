// Hands the host's progress functions the program's progress window; without
// it they run and show nothing.
#pragma once

namespace kvgui {

void InstallHostProgress();
void UninstallHostProgress();

}  // namespace kvgui
