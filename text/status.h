// Status codes. Operations return a plain int, 0 for success; a nonzero code c
// names its message in string-table entry c + 1.
#pragma once

enum Status {
  statusOk = 0,
  statusBadBlockType = 2,          // block type 3
  statusNoMemory = 8,
  statusCannotCreateDirectory = 13,
  statusBadCrc = 20,
  statusCanceled = 21,
  statusTooManyCodes = 22,
  statusAllCodesZero = 23,
  statusBadTree = 24,              // no operation raises it; its message exists
  statusBadCode = 25,
  statusBadStoredLength = 26,
  statusOversubscribed = 27,
  statusBadPackedTree = 28,
  statusTruncated = 29,            // the stream needs bytes past the end of its resource
  statusBadDistance = 30,          // a match reaches before the first byte of output
  statusCannotCreateFile = 31,     // a temporary file could not be created
  statusWriteFailed = 32,          // a write to a temporary file failed
  statusCannotCreateGroup = 34,
  statusCannotCreateGroupItem = 35,
};

// Other results that are not statuses of the table above.
enum {
  registryNotString = -20,         // ReadRegistryString: the value is not REG_SZ
};
