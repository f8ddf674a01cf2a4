// The switches of an unattended or preset run. Without any the program runs as it
// always has; with them the wizard's pages start from the given answers, or with /S
// no page is shown at all.
#pragma once

#include <cstdint>

constexpr int kMaxPresetVariables = 11;  // one per path page

struct PresetVariable {
  char* name;   // heap strings
  char* value;
};

struct CommandLine {
  bool any;        // at least one switch was given
  bool silent;     // /S
  bool help;       // /?
  bool noAssociate;  // /NOASSOC
  bool noRestart;    // /NORESTART (always when silent)
  int setupType;     // /TYPE=n as a 0-based index; -1 when not given
  bool components;   // /COMPONENTS= was given
  uint8_t componentBits[64];  // its selection, bit k for component k (0-based)
  char* group;       // /GROUP=; none when not given
  char* logPath;     // /LOG=; none when not given
  PresetVariable variables[kMaxPresetVariables];  // /D= is Destination
  int variableCount;
  char* bad;         // the first switch that was not understood (the others are still
                     // read); none when all were
};

constexpr int kMaxComponents = 64 * 8;

// Reads the arguments after the program's name (the command line as the system hands
// it over, quotes included). Switches start with / or -, in any letter case; a value
// may be quoted, and /D= takes the rest of the line as it stands, so it comes last.
// False when memory runs out.
bool ParseCommandLine(const char* arguments, CommandLine* out);

// The arguments of a whole command line: what follows the program's name.
const char* SkipProgramName(const char* commandLine);

void FreeCommandLine(CommandLine* line);
