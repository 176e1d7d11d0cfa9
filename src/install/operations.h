// The install subsystem's operations, as the setup dialog calls them.
#pragma once

namespace dl {

class SetupDialog;

class InstallOperations {
 public:
  virtual ~InstallOperations() = default;
  // Copies every disc's files into the install folder. Non-zero on success.
  virtual int CopyAllDiscs(SetupDialog& dialog) = 0;
  virtual int RenameInstalledFiles(SetupDialog& dialog) = 0;
  // The Start-menu group, its shortcuts and the desktop copies.
  virtual int FinishInstall(SetupDialog& dialog) = 0;
  virtual int WriteInstallRecord() = 0;
  virtual int Uninstall(SetupDialog& dialog) = 0;
  virtual void RunGame() = 0;
  virtual void RunDemo() = 0;
  // These two start their installer and then end the program (the dialog ends).
  virtual void RunExtraInstaller(SetupDialog& dialog) = 0;
  virtual void RunDirectXSetup(SetupDialog& dialog) = 0;
};

}  // namespace dl
