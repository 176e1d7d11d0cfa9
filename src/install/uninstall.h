// Uninstalling: the record's pack, the shortcuts the install made and the install folder.
// The record is a text anyone can edit, so what it names is checked before anything goes:
// only shortcut files, and only a folder that is not a drive root or a system folder.
#pragma once

#include <string>

#include "launcher/launcher_state.h"

namespace dl {

class SetupDialog;

// The flags of every deletion: no progress window, no confirmation, no undo.
inline constexpr std::uint32_t kDeleteFlags = kShellSilent | kShellNoConfirmation;
inline constexpr const char* kUninstallCaption = "Uninstall";

// Removes what the record names. Returns 1 when everything named was removed or was
// already gone, 0 when something was left in place (the user is told in a message box).
int Uninstall(LauncherContext& ctx, SetupDialog& dialog);

// An absolute "X:\..." path in one form: upper case, "\" only, no empty, "." or ".."
// components, no trailing separator ("C:" for a root). Empty when the path is not an
// absolute drive path or climbs above its root.
std::string CanonicalPath(const std::string& path);

// Whether the install folder a record names may be deleted with all it holds: not empty,
// relative or a drive root; neither one nor an ancestor of the Windows or system
// directory, the Program Files folders, the user's profile, documents, desktop, Start
// menu or programs folder; and not inside the Windows directory.
bool IsRemovableInstallFolder(System& system, const LauncherState& state, const std::string& path);

// Whether a recorded shortcut may be deleted: an absolute path of a ".lnk" or ".pif" file.
bool IsShortcutFile(const std::string& path);

}  // namespace dl
