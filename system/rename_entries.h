// Replacements carried out at the next start of Windows 95/98: entries of the
// "[Rename]" section of WININIT.INI, which take short (8.3) paths.
#pragma once

#include <cstddef>

// Bytes a text of length bytes may need once lines are inserted into it.
size_t RenameTextCapacity(size_t length, size_t linesLength);

// Inserts lines (whole lines, each ending with CR LF) into the text, which has room
// for RenameTextCapacity bytes, and returns the new length. The text is any bytes.
//
// The section starts at the first line that reads "[Rename]" as a whole, in any
// letter case. The lines go after the header's first block of lines: before the first
// empty line, a line that begins with "[" (the next section), or the end of the text.
// Without a header, "[Rename]" and the lines are appended at the end. A text whose
// last line has no line break gets one first.
size_t InsertRenameLines(char* text, size_t length, const char* lines, size_t linesLength);

#ifdef _WIN32
struct RenameEntry {
  const char* destination;  // "NUL" deletes the source
  const char* source;
};

// Adds a "destination=source" line per entry to the section of the ini file, all in
// one write, creating the file when it is missing. False when the file cannot be
// opened, read or written.
bool AddRenameEntries(const char* iniPath, const RenameEntry* entries, size_t count);

// The path with each existing component replaced by its short name where it has one.
// A new heap string; none when memory runs out.
char* ToShortPath(const char* path);
#endif
