#include "ui/folder_name_message.h"

#include "resources/resource_ids.h"

namespace {

struct ProblemMessage {
  FolderNameProblem problem;
  int entry;
};

static const ProblemMessage kMessages[] = {
    {folderNameEmpty, IDS_NAME_EMPTY},
    {folderNameReservedChar, IDS_NAME_RESERVED_CHAR},
    {folderNameDeviceName, IDS_NAME_DEVICE},
    {folderNameEndsWithDot, IDS_NAME_ENDS_WITH_DOT},
    {folderPathNotAbsolute, IDS_PATH_NOT_ABSOLUTE},
};

}  // namespace

int FolderNameMessage(FolderNameProblem problem) {
  for (const ProblemMessage& m : kMessages) {
    if (m.problem == problem) return m.entry;
  }
  return 0;
}
