// The string-table entry that tells the user why a folder name or path was refused.
#pragma once

#include "text/folder_name.h"

int FolderNameMessage(FolderNameProblem problem);
