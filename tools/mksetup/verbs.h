// The verbs of mksetup. Each takes the arguments after its name and returns the
// process exit code.
#pragma once

// inflate IN OUT: decodes the raw Deflate file IN into OUT with the setup's decoder.
int RunInflateVerb(int argc, char** argv);

// Exit code of a tool-level failure (usage, unreadable input); decoder statuses are
// returned as they are.
constexpr int kToolFailure = 1;
