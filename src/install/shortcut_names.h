// The one naming rule for what the program-group converter makes: the group's folder in
// the Start-menu programs folder and each item's shortcut file in it. The launcher uses it
// for where it waits for a shortcut, what it copies to the desktop and what it records;
// grpconv uses it for what it makes. Names are read a character at a time in the ANSI code
// page, so that the second byte of a double-byte character is never taken for a "\", "|"
// or ".".
#pragma once

#include <string>

#include "platform/code_page.h"

namespace dl {

// A name as a file or folder name can hold it: blanks and tabs at either end go (the
// description's reader drops them, and Windows drops trailing ones), each character a name
// cannot hold (\ / : * ? " < > | and control characters) becomes "_", and trailing dots go. Empty
// when nothing is left or the name is a device's (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9,
// with or without an extension).
std::string CleanName(CodePage& codePage, const std::string& name);

// A group's folder name: the group name, cleaned. Empty when the group can have no folder.
std::string GroupFolderName(CodePage& codePage, const std::string& group);

// An item's shortcut file name: its title up to its first ".", cleaned, and ".lnk"
// ("Wendmark: Play" gives "Wendmark_ Play.lnk", "Game.one.exe" gives "Game.lnk"). Empty when
// the title up to its first "." cleans to nothing.
std::string ShortcutFileName(CodePage& codePage, const std::string& title);

// The full paths: the group's folder in programs, a shortcut in a group's folder. Empty when
// the name is refused or the path would be longer than 259 characters.
std::string GroupFolderPath(CodePage& codePage, const std::string& programs,
                            const std::string& group);
std::string ShortcutPath(CodePage& codePage, const std::string& groupFolder,
                         const std::string& title);

// A value as it may stand in the group description that the converter reads: up to its
// first line break (a value must not add lines of its own) and without the quote that
// encloses the description's fields (a value must not add fields of its own). A name (the
// group's, an item's title) also loses the commas that separate the fields; a path keeps
// them, as a path field is always quoted.
std::string DescriptionPath(const std::string& value);
std::string DescriptionName(const std::string& value);

// Whether a name (an extension allowed) is one of the devices Windows reserves.
bool IsDeviceName(const std::string& name);

}  // namespace dl
