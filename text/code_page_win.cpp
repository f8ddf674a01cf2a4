#include <windows.h>

#include "text/code_page.h"

namespace {

// The lead bytes of the system's code page, read once: paths are walked byte by byte,
// and asking the system for each byte cost more than the walk.
bool gLeadBytes[256];
bool gLeadBytesRead = false;

void ReadLeadBytes() {
  CPINFO info;
  if (GetCPInfo(CP_ACP, &info)) {
    for (int r = 0; r + 1 < MAX_LEADBYTES && (info.LeadByte[r] | info.LeadByte[r + 1]) != 0;
         r += 2) {
      for (int b = info.LeadByte[r]; b <= info.LeadByte[r + 1]; ++b) gLeadBytes[b] = true;
    }
  } else {
    for (int b = 0; b < 256; ++b) gLeadBytes[b] = IsDBCSLeadByte(BYTE(b)) != FALSE;
  }
  gLeadBytesRead = true;
}

}  // namespace

bool IsLeadByte(unsigned char byte) {
  if (!gLeadBytesRead) ReadLeadBytes();
  return gLeadBytes[byte];
}
