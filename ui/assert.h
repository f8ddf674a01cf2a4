// Preconditions of the program. A failed one shows the expression, the source that
// states it and the line in a message box, then stops the program; ordinary input
// never reaches one. Write pointers as NULL so the message reads as the condition:
//   SETUP_ASSERT(gMainDialog != NULL, "Main");
#pragma once

[[noreturn]] void AssertionFailed(const char* expression, const char* source, int line);

#define SETUP_ASSERT(expression, source) \
  ((expression) ? static_cast<void>(0) : AssertionFailed(#expression, source, __LINE__))

// Exit code of a program stopped by a failed assertion.
constexpr int kAssertionExitCode = 3;
