// Where each disc of the set is read from. A launcher that runs from a CD-ROM drive finds
// disc n in whichever drive from D: to Z: holds its label (a player may have mounted every
// image at once, each with a letter of its own). A launcher that runs from anywhere else
// runs from a copy of the discs in folders, and there a disc is known by its files, as a
// hard disk has no label to tell one disc from another.
#pragma once

#include <optional>
#include <string>

#include "install/copy.h"
#include "install/install_plan.h"

namespace dl {

// A disc found: the plan of its copy (the entries' folder moved there) and, for the log,
// where it is ("E:\", "folder C:\sets\kvx\CD2").
struct DiscPlace {
  InstallPlan plan;
  std::string where;
};

class DiscFinder {
 public:
  DiscFinder(InstallContext& ctx, const InstallPlan& plan, CopyState& state)
      : ctx_(ctx), plan_(plan), state_(state) {}

  // Where disc n (from 1), of this section, is now. Nothing when no drive or folder holds
  // it.
  std::optional<DiscPlace> Find(int n, const std::string& section);
  // Disc n in a folder (or drive) that the user chose: nothing when it does not hold the
  // disc's files.
  std::optional<DiscPlace> InFolder(int n, const std::string& section, const std::string& folder);
  // Where a disc that was not found is copied from: the launcher's own drive or folder, as
  // a single disc always was (the copy then fails on the first file that is not there).
  DiscPlace Fallback() const { return DiscPlace{plan_, "the launcher's own place"}; }

 private:
  std::optional<DiscPlace> InDrive(const std::string& section);
  DiscPlace At(const std::string& folder) const;

  InstallContext& ctx_;
  const InstallPlan& plan_;
  CopyState& state_;
  std::string firstFolder_;  // the folder that disc 1 was found in
};

// Where disc n (from 1) of this section is, looked for as the plan's kind of run looks:
// a trial run asks nothing; an unattended one asks only when no drive holds the disc; an
// interactive one asks for it first when askFirst is set, and up to three times when no
// drive (no folder: the user may choose one) holds it. Nothing when it was not found, or
// when the user cancelled a prompt (*cancelled is then set).
std::optional<DiscPlace> LocateDisc(InstallContext& ctx, const InstallPlan& plan,
                                    InstallScreen& screen, DiscFinder& finder, CopyState& state,
                                    int n, const std::string& section, bool askFirst,
                                    bool* cancelled);

// The label a disc section names ("" when it names none).
std::string SectionLabel(IniFile& script, const std::string& section);

// The root of the drive, the launcher's own first and then every CD-ROM drive from D: to
// Z:, that holds the disc with this label; empty when none does. The label of the
// launcher's drive is left in state.currentLabel.
std::string DriveHolding(FileSystem& files, const std::string& discRoot, const std::string& label,
                         CopyState& state);

// True when the folder holds what a disc section lists: every entry without a wildcard
// (a list of wildcards alone: a file that the first one matches). A section that lists
// nothing is held anywhere.
bool HoldsDiscFiles(InstallContext& ctx, const std::string& folder, const std::string& section);

}  // namespace dl
