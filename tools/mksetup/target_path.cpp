// Paths and key names of a description, checked as Windows will use them.
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

std::string FolderOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? "" : path.substr(0, slash);
}

std::string FileNameOf(const std::string& path) {
  size_t slash = path.rfind('\\');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string KeyNameProblem(const std::string& name) {
  if (name.empty()) return "must not be empty";
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return "holds a control character";
    if (c == '\\') return "holds '\\': it names one key, not a path";
  }
  return "";
}

std::string ExtensionProblem(const std::string& extension) {
  if (extension.size() < 2 || extension[0] != '.') return "must be a dot and a name, like \".txt\"";
  if (extension.find('.', 1) != std::string::npos)
    return "holds a second '.': Windows takes the extension from the last dot";
  for (char c : extension) {
    if (static_cast<unsigned char>(c) <= 0x20 || c == 0x7F) return "holds a space or a control character";
    if (std::strchr("<>:\"/\\|?*", c) != nullptr)
      return std::string("holds '") + c + "', which Windows does not allow in file names";
  }
  return "";
}

bool HasSplitBackslash(const std::string& text) {
  for (size_t i = 0; i + 1 < text.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      if (text[i + 1] == '\\') return true;
      ++i;
    }
  }
  return false;
}
