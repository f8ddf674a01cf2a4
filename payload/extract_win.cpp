#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <cstring>

#include "config/config.h"
#include "config/state.h"
#include "config/state_win.h"
#include "payload/crc32.h"
#include "payload/directories.h"
#include "payload/extract.h"
#include "payload/extract_win.h"
#include "payload/inflate.h"
#include "payload/temp_name.h"
#include "payload/writer_state.h"
#include "resources/resource_ids.h"
#include "system/uninstall_log.h"
#include "text/path_parts.h"
#include "text/resource_text.h"
#include "text/status.h"
#include "text/variables.h"

int32_t gFileIndex = 0;
uint32_t gFileDone = 0;
int32_t gPayloadTotal = 0;
int32_t gTotalDecoded = 0;
HANDLE gOutputFile = INVALID_HANDLE_VALUE;

namespace {

uint32_t FileCount() { return ConfigWord(wordFileCount); }

const uint8_t* FileRecord(int32_t index) {
  return ConfigRecord(wordFileTable, kFileRecordSize, uint32_t(index));
}

// The folder whose levels were last made or found, so that the files of one folder
// ask the file system for it once; none at the start of a run.
char* gKnownFolder = nullptr;

// When the status line last changed: a person reads a few names a second, and
// formatting one per file costs more than the file itself for small ones.
DWORD gStatusShownAt = 0;
bool gStatusShown = false;
constexpr DWORD kStatusInterval = 50;  // milliseconds

void ForgetKnownFolder() {
  std::free(gKnownFolder);
  gKnownFolder = nullptr;
}

// "Extracting %1" or "Skipping %1" with the file's name and extension.
void ShowStatus(int entry, const char* path) {
  if (gExtractDialog == nullptr) return;  // a silent run
  const DWORD now = GetTickCount();
  if (gStatusShown && now - gStatusShownAt < kStatusInterval) return;
  gStatusShown = true;
  gStatusShownAt = now;
  PathParts parts = SplitPath(path);
  char* text = FormatResourceMessage(entry, path + parts.folderEnd);
  if (text != nullptr) SetDlgItemTextA(gExtractDialog, IDC_STATUS, text);
  std::free(text);
}

// Names the file's target and temporary file, makes its folders and creates the
// temporary file.
int OpenOutput(const uint8_t* record, ReplaceEntry* entry) {
  entry->targetPath = ExpandVariables(ConfigString(RecordField(record, fileTarget)));
  if (entry->targetPath == nullptr) return statusNoMemory;

  PathParts parts = SplitPath(entry->targetPath);
  if (gKnownFolder == nullptr || std::strlen(gKnownFolder) != parts.folderEnd ||
      std::memcmp(gKnownFolder, entry->targetPath, parts.folderEnd) != 0) {
    char* folder = static_cast<char*>(std::malloc(parts.folderEnd + 1));
    if (folder == nullptr) return statusNoMemory;
    std::memcpy(folder, entry->targetPath, parts.folderEnd);
    folder[parts.folderEnd] = '\0';
    ForgetKnownFolder();
    // A folder that cannot be made shows up as a file that cannot be created.
    if (CreateDirectories(folder) == statusOk) {
      gKnownFolder = folder;
    } else {
      std::free(folder);
    }
  }

  ShowStatus(IDS_EXTRACTING, entry->targetPath);
  gOutputFile = CreateTempFile(entry->targetPath, "IT", &entry->tempPath);
  if (gOutputFile == INVALID_HANDLE_VALUE) return statusCannotCreateFile;
  LogFile(entry->targetPath);  // the log names the target, never the temporary file
  return statusOk;
}

bool CloseOutput() {
  if (gOutputFile == INVALID_HANDLE_VALUE) return true;
  bool closed = CloseHandle(gOutputFile) != FALSE;
  gOutputFile = INVALID_HANDLE_VALUE;
  return closed;
}

// Cuts count decoded bytes into the files of the table, in order. Files of size 0 are
// passed through as soon as the walk reaches them, also with no bytes left.
int WriteDecoded(const uint8_t* bytes, uint32_t count) {
  const int32_t fileCount = int32_t(FileCount());
  while (gFileIndex < fileCount) {
    const uint8_t* record = FileRecord(gFileIndex);
    const uint32_t size = RecordField(record, fileSize);
    const uint32_t chunk = size - gFileDone < count ? size - gFileDone : count;
    if (chunk == 0 && size != gFileDone) break;  // the rest comes with the next window

    const bool selected = SelectionIntersects(RecordField(record, fileBitmap), gActiveSelection);
    ReplaceEntry* entry = &gReplaceList[gFileIndex];
    if (gFileDone == 0) {
      if (selected) {
        int status = OpenOutput(record, entry);
        if (status != statusOk) return status;
      } else {
        ShowStatus(IDS_SKIPPING, ConfigString(RecordField(record, fileTarget)));
      }
    }
    if (selected && chunk != 0) {
      DWORD written = 0;
      if (!WriteFile(gOutputFile, bytes, chunk, &written, nullptr) || written != chunk) {
        return statusWriteFailed;
      }
    }
    bytes += chunk;
    count -= chunk;
    gFileDone += chunk;
    if (gFileDone == size) {
      // Closing writes out what the system still holds; a failure there loses data too.
      if (!CloseOutput()) return statusWriteFailed;
      gFileDone = 0;
      ++gFileIndex;
    }
  }
  return statusOk;
}

}  // namespace

int FlushWindow() {
  if (gWindowSink != nullptr) return gWindowSink();
  const uint32_t count = gWindowFill;
  // Every decoded byte counts, written or not, after the last file or after a failure.
  gRunningCrc = UpdateCrc32(gRunningCrc, gWindow, count);
  gTotalDecoded += int32_t(count);
  if (gWriteFailed == statusOk) gWriteFailed = WriteDecoded(gWindow, count);
  if (gWriteFailed != statusOk) return gWriteFailed;

  // A silent run has no window to move on and no Cancel to hear: each look at the
  // message queue would be a round trip to the window system for nothing.
  if (gExtractDialog != nullptr) {
    SendMessageA(gExtractProgress, PBM_SETPOS, ProgressPosition(gTotalDecoded, gPayloadTotal), 0);
    PumpWaitingMessages();
  }
  return gCancelRequested ? statusCanceled : statusOk;
}

void PumpWaitingMessages() {
  // A click on Cancel is several messages (button down, button up, the command,
  // paint): all that wait are handled now, not one per window of output. The bound
  // keeps a window that never stops asking to be painted from holding the
  // extraction.
  for (int handled = 0; handled < kMessagesPerFlush; ++handled) {
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
    if (!IsDialogMessageA(gExtractDialog, &message)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
  }
}

ExtractResult ExtractPayload() {
  const uint32_t fileCount = FileCount();
  int64_t total = 0;
  for (uint32_t i = 0; i < fileCount; ++i) total += RecordField(FileRecord(int32_t(i)), fileSize);
  gPayloadTotal = int32_t(total);
  for (uint32_t i = 0; i < fileCount; ++i) gReplaceList[i] = ReplaceEntry{nullptr, 0, nullptr};
  SendMessageA(gExtractProgress, PBM_SETRANGE, 0, MAKELPARAM(0, kProgressEnd));
  SendMessageA(gExtractProgress, PBM_SETPOS, 0, 0);
  gCancelRequested = 0;
  gWriteFailed = statusOk;
  ForgetTempNames();

  gInput = gArchive;
  gInputLeft = int32_t(gArchiveSize);
  gFileIndex = 0;
  gFileDone = 0;
  gTotalDecoded = 0;
  gRunningCrc = 0xFFFFFFFFu;
  gStatusShown = false;
  ForgetKnownFolder();
  int status = Inflate();

  // Empty files after the last decoded byte.
  if (gWriteFailed == statusOk && status == statusOk && !gCancelRequested) {
    gWriteFailed = WriteDecoded(nullptr, 0);
  }
  if (!CloseOutput() && gWriteFailed == statusOk) {
    gWriteFailed = statusWriteFailed;
  }
  gFileDone = 0;
  ForgetKnownFolder();

  // The writer stops at the file it could not create or write.
  if (gWriteFailed != statusOk) return {gWriteFailed, gFileIndex};
  if (gCancelRequested) return {statusCanceled, -1};
  if (status != statusOk) return {status, -1};
  if (gFileIndex != int32_t(fileCount)) return {statusTruncated, -1};
  // A stream longer than the file table says: the table cannot be trusted any more
  // than a wrong checksum.
  if (gTotalDecoded != gPayloadTotal) return {statusBadCrc, -1};
  if ((gRunningCrc ^ 0xFFFFFFFFu) != ConfigWord(wordPayloadCrc)) return {statusBadCrc, -1};
  SendMessageA(gExtractProgress, PBM_SETPOS, kProgressEnd, 0);
  return {statusOk, -1};
}
