#include "text/code_page.h"

// The host treats texts as single-byte.
bool IsLeadByte(unsigned char) { return false; }
