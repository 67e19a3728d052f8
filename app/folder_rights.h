// Rights on the folders the launcher installs into. The launcher runs with
// administrator rights from its install folder, so whoever may write there
// chooses what runs as administrator next time: a user without those rights
// can create the folders under the all-users data folder before the first
// installation, with rights of his own choosing, and keep them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

// Makes folder (created when missing) a folder only administrators can change
// (called for the launcher's own install folder only, never for a folder that
// other programs share):
// owner Administrators where the system allows it, a protected DACL that gives
// Administrators and SYSTEM full control and Users read and execute, inherited
// by everything below. A link found at the path is removed and a real folder
// made instead. What already lies inside gets the same rights; links and
// files with further hard links inside are deleted, as their rights would be
// another file's. False when the folder could not be made so.
bool MakeAdministratorsFolder(const std::wstring& folder);

// Gives one file of such a folder the same rights (and owner) as the entries
// inside it; false when they could not be set or path is a link.
bool MakeAdministratorsFile(const std::wstring& path);

// The DACL that MakeAdministratorsFolder gives a folder (inherit = true: its
// entries are inherited by everything below) or an entry inside one; empty
// when it cannot be built.
std::vector<BYTE> AdministratorsDacl(bool inherit);
