// Texts of the program's string table, in the language the platform picks.
#pragma once

// Entry n as a new heap string (cut to 999 characters); none when out of memory.
char* LoadResourceText(int entry);

// Entry n with %1, %2, ... replaced by the string arguments (%% is a percent sign,
// %n a line break). A new heap string; empty when the text cannot be formatted,
// none when out of memory.
char* FormatResourceMessage(int entry, ...);
