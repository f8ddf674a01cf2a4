// Extraction: decodes the payload and writes each selected file to a temporary file
// beside its target, recording both names in gReplaceList for the install phase.
#pragma once

#include <cstdint>

constexpr uint32_t kProgressEnd = 30000;  // the progress bar's range is 0 to this

// Extraction state, one extraction per installation.
extern int32_t gFileIndex;       // file the next decoded byte belongs to; fileCount when done
extern uint32_t gFileDone;       // bytes of that file already consumed
extern int32_t gPayloadTotal;    // sum of all file sizes, selected or not
extern int32_t gTotalDecoded;    // bytes flushed so far

struct ExtractResult {
  int status;
  int32_t failedEntry;  // entry whose file could not be made or written; -1 for none
};

// Decodes the whole payload. Returns why it ended:
//   0   every file written and the payload's CRC-32 matches payloadCrc;
//   21  the user confirmed Cancel;
//   31  a temporary file could not be created, 32 one could not be written completely
//       (failedEntry names the entry), 8 memory ran out;
//   20  the payload's CRC-32 differs from payloadCrc, or the stream holds more bytes
//       than the file table's sizes add up to;
//   a status of the decoder, or 29 when the stream ends before the last file.
// In every case no temporary file is left open, and gReplaceList lists the temporary
// files written so far.
ExtractResult ExtractPayload();

// Dispatches at most one pending window message (the Extract dialog's Cancel reaches
// the extraction this way).
void PumpOneMessage();

// Position of the progress bar after decoded of total bytes: its end when there is
// nothing to decode, and never past it.
uint32_t ProgressPosition(int64_t decoded, int64_t total);
