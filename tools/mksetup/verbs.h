// The verbs of mksetup. Each takes the arguments after its name and returns the
// process exit code.
#pragma once

// inflate IN OUT: decodes the raw Deflate file IN into OUT with the setup's decoder.
int RunInflateVerb(int argc, char** argv);
// build PRODUCT.toml -o SETUP.exe|DIR: a product's setup program, or its resources.
int RunBuildVerb(int argc, char** argv);
// list SETUP.exe: the tables, strings and files of a setup program.
int RunListVerb(int argc, char** argv);
// extract SETUP.exe DIR: the files of a setup program's payload.
int RunExtractVerb(int argc, char** argv);

// Exit code of a tool-level failure (usage, unreadable input); decoder statuses are
// returned as they are.
constexpr int kToolFailure = 1;

constexpr char kMksetupVersion[] = MKSETUP_VERSION;

// Prints "mksetup: problem" and the verb's usage line; returns kToolFailure.
int UsageError(const char* problem, const char* usage);
