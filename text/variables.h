// The variable table: named string values that texts refer to as $(Name). Names
// are compared without regard to ASCII letter case; values are byte strings the
// table gives no meaning to. Every read returns a copy the caller frees.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint32_t kVariableBuckets = 129;
constexpr size_t kExpandGrowth = 512;  // ExpandVariables grows its result by this much

struct VariableNode {
  char* name;   // letter case of the first set
  char* value;
  VariableNode* next;
};

// Chains keep insertion order.
struct VariableTable {
  VariableNode* buckets[kVariableBuckets];
};

// None until CreateVariableTable; then lives until the process ends.
extern VariableTable* gVariableTable;

// Allocates the empty table unless it exists. 0, or 8 when memory runs out.
int CreateVariableTable();

// Only tests call this, to start again from no table; the program never frees it.
void DestroyVariableTableForTest();

// Upper-cases a..z, widens each byte as signed, then h = h * 2 ^ byte.
uint32_t HashVariableName(const char* name);
bool SameVariableName(const char* a, const char* b);
// Whether stored equals the first length bytes of name, by the same rule.
bool SameVariableName(const char* stored, const char* name, size_t length);

// Asked for a name the table does not hold before a read gives up; sets it and
// says true when the name is one whose value is fetched only when first read
// (a shell folder costs a round trip through the shell and is seldom used).
// None: a missing name stays missing.
using LateVariableSource = bool (*)(const char* name, size_t length);
extern LateVariableSource gLateVariableSource;

// 0, or 1 when the copies cannot be allocated (the table is then unchanged).
int SetVariable(const char* name, const char* value);

// A copy of the value, or none when the name is undefined or memory runs out.
char* GetVariable(const char* name);

// Stores a folder without its trailing backslash, which is cut off in the caller's
// buffer; none is taken as the empty string. Result of SetVariable.
int SetPathVariable(const char* name, char* value);

// The text with every $(Name) replaced by the value as it stands (never expanded
// again); an undefined name gives nothing. None when memory runs out.
char* ExpandVariables(const char* text);
