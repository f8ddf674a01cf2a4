// The system's ANSI code page, as far as byte-wise string code needs it.
#pragma once

// Whether byte starts a double-byte character (code page 932 and the like). The
// second byte of such a character may equal '\\'.
bool IsLeadByte(unsigned char byte);
