// The variable table: named values that texts refer to as $(Name).
#pragma once

// 0, or 1 when the table cannot grow. Both strings are copied.
int SetVariable(const char* name, const char* value);

// A new heap string the caller frees, or none when the name is not defined.
char* GetVariable(const char* name);

// text with every $(Name) replaced by its value: a new heap string the caller frees,
// or none when memory runs out.
char* ExpandVariables(const char* text);
