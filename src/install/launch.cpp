#include "install/launch.h"

#include <string>

#include "install/install_log.h"
#include "script/ini_file.h"
#include "script/schema.h"

namespace dl {
namespace {

bool Given(const char* value) {
  return value != nullptr && value[0] != '\0';
}

// A part of a program path: given, and without a quote that would end the quoted path.
bool PathPart(const char* value) {
  return Given(value) && std::string(value).find('"') == std::string::npos;
}

// A program path in quotes, so that a folder with blanks ("C:\My Games") is not read as
// a shorter program ("C:\My.exe") followed by arguments.
std::string Quoted(const std::string& program) {
  return "\"" + program + "\"";
}

void Start(InstallContext& ctx, const std::string& command) {
  const std::uint32_t started = ctx.system.StartProgram(command, /*hidden=*/false);
  LogLine(ctx.log, "start " + command,
          started > 31 ? "done" : "FAILED (" + std::to_string(started) + ")");
}

// The game and the demo run with the signed-in user's rights, not the launcher's: a
// program in a folder that every user may change must not run as an administrator. Where
// the system does not elevate (XP, a launcher started without elevation), it starts as
// always; where it does and the desktop shell cannot take the request, it is not started.
void StartAsUser(InstallContext& ctx, const std::string& program, const std::string& arguments,
                 const std::string& folder, const std::string& command, WindowRef owner) {
  // The shell starts it in its own process: the program and its folder go to it as full
  // paths, as the launcher finds them ("\demo" names the launcher's current drive).
  std::string fullProgram = program, fullFolder = folder;
  ctx.system.ResolvePath(program, &fullProgram);
  ctx.system.ResolvePath(folder, &fullFolder);
  const std::string shown = Quoted(fullProgram) + (arguments.empty() ? "" : " " + arguments);
  switch (ctx.system.StartProgramAsUser(fullProgram, arguments, fullFolder)) {
    case UserStart::kStarted:
      LogLine(ctx.log, "start " + shown, "done, with the signed-in user's rights");
      return;
    case UserStart::kNotElevated:
      Start(ctx, command);
      return;
    case UserStart::kFailed:
      break;
  }
  LogLine(ctx.log, "start " + shown,
          "NOT STARTED: the desktop shell could not start it with the signed-in user's rights");
  ctx.system.ShowMessage(owner,
                         fullProgram +
                             " could not be started with your own rights, and the launcher does "
                             "not start it with an administrator's.\n\nStart it from its "
                             "shortcut in the Start menu or on the desktop.",
                         Read(ctx.script, script::kTextTitle));
}

}  // namespace

void RunGame(InstallContext& ctx, WindowRef owner) {
  const char* folder = Read(ctx.record, record::kInstallFolder);
  const char* exe = Read(ctx.script, script::kGameExeForPlay);
  if (!PathPart(folder) || !PathPart(exe)) return;
  ctx.system.ChangeDir(folder);
  const std::string program = std::string(folder) + "\\" + exe;
  StartAsUser(ctx, program, "", folder, Quoted(program), owner);
}

void RunDemo(InstallContext& ctx, const std::string& sourceRoot, WindowRef owner) {
  const char* path = Read(ctx.script, script::kDemoPath);
  const char* exe = Read(ctx.script, script::kDemoExe);
  if (!PathPart(path) || !PathPart(exe) || sourceRoot.find('"') != std::string::npos) return;
  const std::string folder = sourceRoot + "\\" + path;
  ctx.system.ChangeDir(folder);
  const std::string program = folder + "\\" + exe;
  const std::string arguments = Read(ctx.script, script::kDemoArgs);
  StartAsUser(ctx, program, arguments, folder, Quoted(program) + " " + arguments, owner);
}

void RunExtraInstaller(InstallContext& ctx, InstallScreen& screen) {
  const char* command = Read(ctx.script, script::kExtraInstaller);
  if (Given(command)) Start(ctx, command);
  screen.EndDialog();
}

const TextKey& DirectXSetupKey(const OsVersionInfo& version) {
  return version.major == 5 && version.minor < 10 ? script::kDirectXSetup2000
                                                  : script::kDirectXSetup98;
}

void RunDirectXSetup(InstallContext& ctx, const OsVersionInfo& version, InstallScreen& screen) {
  const TextKey& key = DirectXSetupKey(version);
  const char* command = Read(ctx.script, key);
  if (Given(command)) Start(ctx, command);
  screen.EndDialog();
}

}  // namespace dl
