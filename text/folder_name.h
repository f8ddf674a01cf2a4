// Whether a name can be a folder's name, and whether a path can name a folder, as the
// system will judge them when the folder is made: checked while the user can still
// change them.
#pragma once

#include <cstddef>

enum FolderNameProblem {
  folderNameOk = 0,
  folderNameEmpty,          // nothing left after trimming spaces
  folderNameReservedChar,   // \ / : * ? " < > | or a control character
  folderNameDeviceName,     // CON, PRN, AUX, NUL, COM1-9, LPT1-9, with or without extension
  folderNameEndsWithDot,    // ".", ".." or "x.": the system drops trailing dots
  folderPathNotAbsolute,    // a path without a drive letter and its backslash
};

using LeadBytePredicate = bool (*)(unsigned char byte);

// One folder name (no separators allowed). Spaces around the name are ignored, as
// the system ignores trailing ones.
FolderNameProblem CheckFolderName(const char* name, LeadBytePredicate isLead);
FolderNameProblem CheckFolderName(const char* name);  // in the system's code page

// A full path "X:\level\level...": a drive letter, then levels that are each a
// folder name; a trailing backslash is allowed.
FolderNameProblem CheckFolderPath(const char* path, LeadBytePredicate isLead);
FolderNameProblem CheckFolderPath(const char* path);
