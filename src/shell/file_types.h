#pragma once
// File-type associations under HKEY_CLASSES_ROOT: the class key T with its
// description, "EditFlags", open command and icon, and the extension key .T
// naming it; and the process queries that find the viewer's executable.
#include <windows.h>

#include "runtime/platform_path.h"
#include "runtime/text.h"

namespace vela {

// Association mode when exePath is not blank (ASCII or double-byte blanks at
// either end): writes the class key (classKey, else the whole extensions
// text) and points every "|"-separated extension at it; an empty iconPath
// means exePath. Removal mode when exePath is blank: for each extension
// that names a class whose open command is this program's ("<folder>\<this
// program's file name>" "%1"), deletes the icon, the open command, Open,
// Shell and the class key (each only while it has no subkeys), then sets
// the extension's default value to the empty text; other programs' classes
// and the extensions naming them are left alone. Both end by telling the
// shell.
// The program's path goes to the registry through the wide calls.
void SetFileTypeAssociation(PathView exePath, std::string_view extensions, std::string_view iconPath,
                            std::string_view description, std::string_view classKey);

// The drive-letter path of a process's executable (the current process when
// useId is false or id is 0); empty when the process cannot be queried or no
// drive letter maps the device part of its path.
Path ProcessImagePath(DWORD processId, bool useId);
// Replaces a leading device name ("\Device\HarddiskVolume1") by the drive
// letter that QueryDosDeviceW maps to it; empty when none does.
Path DriveLetterPath(PathView devicePath);
DWORD WindowProcessId(HWND window);
void NotifyAssociationChanged();

// The text without ASCII blanks and double-byte blanks ("　") at either end.
Text TrimBlanks(std::string_view text);
// A path that TrimBlanks leaves empty.
bool IsBlank(PathView path);

// The executable to associate: imagePath, else (a viewer started from a
// network share) the running module's own file name.
Path AssociationExecutable(PathView imagePath);
// One checked type of the associate button: associates it with exePath and
// stores "真"; with a blank exePath the registry is left alone and "假" is
// stored, so that an association request never turns into a removal.
void AssociateType(std::string_view type, PathView exePath);
// One type of the remove button: the removal mode, then "假".
void UnassociateType(std::string_view type);

}  // namespace vela
