#include "install/unavailable_operations.h"

#include <string>

#include "launcher/setup_dialog.h"

namespace dl {

void UnavailableOperations::Tell(WindowRef owner, const char* what) {
  ctx_.system.ShowMessage(owner, std::string(what) + " is not available in this build.", kCaption);
}

int UnavailableOperations::CopyAllDiscs(SetupDialog& dialog) {
  Tell(dialog.view().window(), "Installing");
  return 0;
}

int UnavailableOperations::Uninstall(SetupDialog& dialog) {
  Tell(dialog.view().window(), "Uninstalling");
  return 0;
}

void UnavailableOperations::RunGame() {
  Tell(nullptr, "Starting the game");
}

void UnavailableOperations::RunDemo() {
  Tell(nullptr, "Starting the demo");
}

void UnavailableOperations::RunExtraInstaller() {
  Tell(nullptr, "Starting the additional installer");
}

void UnavailableOperations::RunDirectXSetup() {
  Tell(nullptr, "Starting the DirectX set-up");
}

}  // namespace dl
