// The targets of a description are Windows paths below a variable's folder.
#include <cstring>
#include <string>

#include "tools/mksetup/description.h"

namespace {

std::string LevelProblem(const std::string& level) {
  if (level.empty()) return "has an empty folder name (\\\\ or a \\ at the start)";
  if (level == "." || level == "..") return "has a '" + level + "' folder, which Windows does not keep";
  if (level.back() == '.' || level.back() == ' ')
    return "'" + level + "' ends in a dot or space, which Windows drops";
  for (char c : level) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "holds a control character";
    if (c != 0 && std::strchr("<>:\"|?*", c) != nullptr)
      return std::string("holds '") + c + "', which Windows does not allow in file names";
  }
  return "";
}

bool IsOneVariable(const std::string& target) {
  return target.size() > 3 && target.compare(0, 2, "$(") == 0 && target.back() == ')' &&
         target.find(')') == target.size() - 1;
}

}  // namespace

std::string TargetPathProblem(const std::string& target) {
  if (target.empty()) return "must name a file";
  if (target.find('/') != std::string::npos) return "uses '/': write '\\' between folders";
  if (IsOneVariable(target)) return "is only a variable, a folder: add the file's name";
  if (target.back() == '\\') return "ends in '\\': add the file's name";
  for (size_t start = 0;;) {
    size_t end = target.find('\\', start);
    std::string problem = LevelProblem(target.substr(start, end - start));
    if (!problem.empty()) return problem;
    if (end == std::string::npos) return "";
    start = end + 1;
  }
}
