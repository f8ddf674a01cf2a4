// Inserting lines into the [Rename] section of a WININIT.INI text.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "system/rename_entries.h"

namespace {

std::string Insert(const std::string& text, const std::string& lines) {
  std::vector<char> buffer(RenameTextCapacity(text.size(), lines.size()));
  std::copy(text.begin(), text.end(), buffer.begin());
  size_t length = InsertRenameLines(buffer.data(), text.size(), lines.data(), lines.size());
  EXPECT_LE(length, buffer.size());
  return std::string(buffer.data(), length);
}

TEST(InsertRenameLines, WhereTheLinesGo) {
  const std::string pair = "NUL=C:\\Q\\A.EXE\r\nC:\\Q\\A.EXE=C:\\Q\\IT0.TMP\r\n";
  struct Case {
    const char* what;
    std::string text;
    std::string expected;
  };
  const Case cases[] = {
      {"empty file", "", "[Rename]\r\n" + pair},
      {"no section: appended at the end", "[boot]\r\nshell=x\r\n",
       "[boot]\r\nshell=x\r\n[Rename]\r\n" + pair},
      {"no line break at the end: one is added", "[boot]\r\nshell=x",
       "[boot]\r\nshell=x\r\n[Rename]\r\n" + pair},
      {"entries then an empty line: after the entries, before the empty line",
       "[Rename]\r\nNUL=C:\\OLD\r\n\r\n[boot]\r\n",
       "[Rename]\r\nNUL=C:\\OLD\r\n" + pair + "\r\n[boot]\r\n"},
      {"next section with no empty line: before its header",
       "[rename]\r\nNUL=C:\\OLD\r\n[boot]\r\nshell=x\r\n",
       "[rename]\r\nNUL=C:\\OLD\r\n" + pair + "[boot]\r\nshell=x\r\n"},
      {"header directly followed by another section", "[RENAME]\r\n[boot]\r\n",
       "[RENAME]\r\n" + pair + "[boot]\r\n"},
      {"section at the end without a final line break", "[Rename]\r\nNUL=C:\\OLD",
       "[Rename]\r\nNUL=C:\\OLD\r\n" + pair},
      {"header alone without a line break", "[Rename]", "[Rename]\r\n" + pair},
      {"empty lines after the header are passed over", "[Rename]\r\n\r\n\r\nX=Y\r\n\r\n",
       "[Rename]\r\n\r\n\r\nX=Y\r\n" + pair + "\r\n"},
      {"header with a trailing blank does not match", "[Rename] \r\nX=Y\r\n",
       "[Rename] \r\nX=Y\r\n[Rename]\r\n" + pair},
      {"header not at the start of its line does not match", " [Rename]\r\n",
       " [Rename]\r\n[Rename]\r\n" + pair},
      {"the first of two sections takes the lines",
       "[Rename]\r\nA=B\r\n\r\n[Rename]\r\nC=D\r\n",
       "[Rename]\r\nA=B\r\n" + pair + "\r\n[Rename]\r\nC=D\r\n"},
      {"bare LF and CR line ends", "[Rename]\nA=B\rC=D\n\n",
       "[Rename]\nA=B\rC=D\n" + pair + "\n"},
      {"bytes after a NUL are kept", std::string("[x]\r\na\0b\r\n", 10),
       std::string("[x]\r\na\0b\r\n", 10) + "[Rename]\r\n" + pair},
  };
  for (const Case& c : cases) EXPECT_EQ(Insert(c.text, pair), c.expected) << c.what;
}

TEST(InsertRenameLines, PairsAddedOneAfterAnotherKeepTheirOrder) {
  std::string text = "[Rename]\r\nOLD=ENTRY\r\n\r\n[boot]\r\n";
  text = Insert(text, "NUL=A\r\nA=B\r\n");
  text = Insert(text, "NUL=C\r\nC=D\r\n");
  EXPECT_EQ(text, "[Rename]\r\nOLD=ENTRY\r\nNUL=A\r\nA=B\r\nNUL=C\r\nC=D\r\n\r\n[boot]\r\n");
  std::string fresh = Insert(Insert("", "NUL=A\r\nA=B\r\n"), "NUL=C\r\nC=D\r\n");
  EXPECT_EQ(fresh, "[Rename]\r\nNUL=A\r\nA=B\r\nNUL=C\r\nC=D\r\n");
}

}  // namespace
