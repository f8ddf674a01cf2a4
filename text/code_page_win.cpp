#include <windows.h>

#include "text/code_page.h"

bool IsLeadByte(unsigned char byte) { return IsDBCSLeadByte(byte) != FALSE; }
