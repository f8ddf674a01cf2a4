#include "tools/mksetup/description.h"

#include <sys/stat.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <toml++/toml.h>

#include "tools/mksetup/codepage.h"

namespace {

// The variables the setup program defines before any path page runs.
const char* const kSeededVariables[] = {
    "ApplicationName", "BackgroundTitle", "ShortcutFolder", "WindowTitle", "BrandCustom1",
    "BrandCustom2", "BrandName", "BrandOrganization", "CommonFilesDir", "ProgramFilesDir",
    "SourceDir", "SystemDir", "TempDir", "WindowsDir", "WorkDir", "ComputerName", "DateInt",
    "DateStr", "RegisteredOrganization", "RegisteredOwner", "UserName", "ShellBitBucket",
    "ShellDesktopDirectory", "ShellFavorites", "ShellFonts", "ShellNethood", "ShellPersonal",
    "ShellPrograms", "ShellRecent", "ShellSendTo", "ShellStartMenu", "ShellStartup",
    "ShellTemplates"};
static_assert(sizeof kSeededVariables / sizeof kSeededVariables[0] == 33);

constexpr uint32_t kMaxSetupTypes = 4;
constexpr uint32_t kMaxPathPages = 11;
constexpr uint64_t kMaxPayload = 0x7FFFFFFF;  // the setup counts it in a signed 32-bit total

// Show commands by name; numbers 0-11 are taken as they are.
const std::map<std::string, uint32_t> kShowCommands = {
    {"hidden", 0}, {"normal", 1}, {"minimized", 2}, {"maximized", 3}, {"minimized-inactive", 7}};

std::string Lower(std::string s) {
  for (char& c : s) c = char(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

std::string Directory(const std::string& path) {
  size_t slash = path.rfind('/');
  return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool IsRegularFile(const std::string& path, struct stat* st) {
  return ::stat(path.c_str(), st) == 0 && S_ISREG(st->st_mode);
}

// FILETIME: 100-ns units since 1601-01-01.
uint64_t FileTimeOf(const struct stat& st) {
  return (uint64_t(st.st_mtim.tv_sec) + 11644473600ull) * 10000000ull + uint64_t(st.st_mtim.tv_nsec) / 100;
}

class Reader {
 public:
  Reader(const std::string& path, const std::vector<std::string>& searchFolders)
      : path_(path), folders_{Directory(path)} {
    folders_.insert(folders_.end(), searchFolders.begin(), searchFolders.end());
  }

  ProductDescription Read() {
    toml::table root;
    try {
      root = toml::parse_file(path_);
    } catch (const toml::parse_error& e) {
      throw DescriptionError(path_ + ":" + std::to_string(e.source().begin.line) + ": " +
                             std::string(e.description()));
    }
    ProductDescription d;
    Known(root, "", {"company", "product", "main_program", "window_title", "program_folder",
                     "welcome", "agreement", "information", "components", "setup_types",
                     "path_pages", "files", "shortcuts", "version", "publisher", "copyright",
                     "execution_level", "file_types", "sound_events", "sound_app", "sound_app_name",
                     "uninstaller", "main_program_target", "uninstaller_target", "log", "app_path"});
    d.company = Name(root, "company", "");
    d.product = Name(root, "product", "");
    d.mainProgram = Name(root, "main_program", "");
    if (d.mainProgram.empty() || d.mainProgram.find_first_of("\\/:") != std::string::npos)
      Fail(root["main_program"].node(), root, "main_program", "must be a file name without a folder");
    d.windowTitle = ReadText(root, "window_title", "", true);
    d.programFolder = ReadText(root, "program_folder", "", false);
    d.welcome = ReadText(root, "welcome", "", false);
    d.agreement = ReadText(root, "agreement", "", false);
    d.information = ReadText(root, "information", "", false);

    ReadVersion(root, d);
    d.publisher = ReadText(root, "publisher", "", false);
    d.copyright = ReadText(root, "copyright", "", false);
    d.executionLevel = ReadExecutionLevel(root);

    ReadComponents(root, d);
    ReadSetupTypes(root, d);
    ReadPathPages(root, d);
    ReadFiles(root, d);
    ReadShortcuts(root, d);
    ReadPlaces(root, d);
    ReadFileTypes(root, d);
    ReadSoundEvents(root, d);
    return d;
  }

 private:
  [[noreturn]] void Fail(const toml::node* node, const toml::node& parent, const std::string& field,
                         const std::string& what) const {
    const toml::source_region& where = node != nullptr ? node->source() : parent.source();
    throw DescriptionError(path_ + ":" + std::to_string(where.begin.line) + ": " + field + ": " +
                           what);
  }

  void Known(const toml::table& table, const std::string& prefix,
             std::initializer_list<const char*> keys) const {
    std::set<std::string> known(keys.begin(), keys.end());
    for (auto&& [key, node] : table) {
      if (!known.count(std::string(key.str())))
        Fail(&node, table, prefix + std::string(key.str()), "unknown field");
    }
  }

  std::string Plain(const toml::table& table, const char* key, const std::string& field,
                    bool required) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
      if (required) Fail(nullptr, table, field + key, "missing");
      return "";
    }
    if (!node->is_string()) Fail(node, table, field + key, "must be a string");
    return **node->as_string();
  }

  // A name, path or argument: the same bytes in both languages.
  std::string Name(const toml::table& table, const char* key, const std::string& field,
                   bool required = true) const {
    std::string utf8 = Plain(table, key, field, required);
    auto english = FromUtf8(utf8, kEnglishCodePage);
    auto japanese = FromUtf8(utf8, kJapaneseCodePage);
    if (!english || !japanese || *english != *japanese)
      Fail(table.get(key), table, field + key,
           "must read the same in both languages' code pages (plain ASCII)");
    return *english;
  }

  std::string FileText(const toml::table& table, const char* key, const std::string& field) const {
    std::string name = **table.get(key)->as_string();
    std::string full = Directory(path_) + "/" + name;
    struct stat st;
    if (::stat(full.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
      Fail(table.get(key), table, field + key, "'" + full + "' is not a regular file");
    std::ifstream in(full, std::ios::binary);
    if (!in) Fail(table.get(key), table, field + key, "cannot read '" + full + "'");
    std::ostringstream content;
    content << in.rdbuf();
    std::string text = content.str();
    // The file's last line break ends the file, not the text.
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
    return text;
  }

  // A text: a string (both languages), or { en = , ja = }, or { en_file = , ja_file = }.
  Text ReadText(const toml::table& table, const char* key, const std::string& prefix,
                bool required) const {
    const toml::node* node = table.get(key);
    std::string field = prefix + key;
    std::string english, japanese;
    if (node == nullptr) {
      if (required) Fail(nullptr, table, field, "missing");
      return Text{};
    }
    if (node->is_string()) {
      english = japanese = **node->as_string();
    } else if (const toml::table* t = node->as_table()) {
      Known(*t, field + ".", {"en", "ja", "en_file", "ja_file"});
      for (const char* language : {"en", "ja"}) {
        std::string& out = language[0] == 'e' ? english : japanese;
        std::string fileKey = std::string(language) + "_file";
        bool inline_ = t->get(language) != nullptr, file = t->get(fileKey) != nullptr;
        if (inline_ == file)
          Fail(node, table, field + "." + language, "give exactly one of " + std::string(language) +
                                                         " and " + fileKey);
        if (inline_) {
          out = Plain(*t, language, field + ".", true);
        } else {
          Plain(*t, fileKey.c_str(), field + ".", true);
          out = FileText(*t, fileKey.c_str(), field + ".");
        }
      }
    } else {
      Fail(node, table, field, "must be a string or a table with en and ja");
    }
    Text text;
    text.english = Encode(LineBreaks(english), kEnglishCodePage, node, table, field + " (English)");
    text.japanese = Encode(LineBreaks(japanese), kJapaneseCodePage, node, table, field + " (Japanese)");
    return text;
  }

  // Windows controls break lines at CR LF only.
  static std::string LineBreaks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) out += '\r';
      out += text[i];
    }
    return out;
  }

  std::string Encode(const std::string& utf8, int codePage, const toml::node* node,
                     const toml::table& table, const std::string& field) const {
    auto encoded = FromUtf8(utf8, codePage);
    if (!encoded)
      Fail(node, table, field,
           "holds a character that code page " + std::to_string(codePage) + " cannot represent");
    if (encoded->find('\0') != std::string::npos) Fail(node, table, field, "holds a NUL character");
    return *encoded;
  }

  uint32_t Number(const toml::table& table, const char* key, const std::string& field,
                  uint32_t limit, bool required = true, uint32_t fallback = 0) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) {
      if (required) Fail(nullptr, table, field + key, "missing");
      return fallback;
    }
    if (!node->is_integer()) Fail(node, table, field + key, "must be a whole number");
    int64_t value = **node->as_integer();
    if (value < 0 || uint64_t(value) > limit)
      Fail(node, table, field + key, "must be between 0 and " + std::to_string(limit));
    return uint32_t(value);
  }

  const toml::array* Array(const toml::table& root, const char* key) const {
    const toml::node* node = root.get(key);
    if (node == nullptr) return nullptr;
    if (!node->is_array_of_tables()) Fail(node, root, key, "must be an array of tables ([[" +
                                                               std::string(key) + "]])");
    return node->as_array();
  }

  std::vector<uint32_t> ComponentList(const toml::table& table, const std::string& field) const {
    const toml::node* node = table.get("components");
    if (node == nullptr) Fail(nullptr, table, field + "components", "missing");
    const toml::array* list = node->as_array();
    if (list == nullptr) Fail(node, table, field + "components", "must be a list of component ids");
    std::vector<uint32_t> indices;
    for (const toml::node& item : *list) {
      if (!item.is_string()) Fail(&item, table, field + "components", "must be a list of component ids");
      auto found = componentIndex_.find(**item.as_string());
      if (found == componentIndex_.end())
        Fail(&item, table, field + "components", "unknown component '" + **item.as_string() + "'");
      indices.push_back(found->second);
    }
    return indices;
  }

  // Every $(Name) must name a variable the setup defines.
  void CheckReferences(const std::string& text, const toml::table& table, const char* key,
                       const std::string& field) const {
    for (size_t at = text.find("$("); at != std::string::npos; at = text.find("$(", at)) {
      size_t end = text.find(')', at + 2);
      if (end == std::string::npos) Fail(table.get(key), table, field + key, "unterminated $(");
      std::string name = text.substr(at + 2, end - at - 2);
      if (!variables_.count(Lower(name)))
        Fail(table.get(key), table, field + key, "undefined variable $(" + name + ")");
      at = end + 1;
    }
  }

  // Up to four numbers 0-65535 separated by dots.
  void ReadVersion(const toml::table& root, ProductDescription& d) const {
    d.version = Name(root, "version", "", false);
    if (d.version.empty()) return;
    size_t count = 0;
    for (size_t start = 0;; ++count) {
      size_t end = d.version.find('.', start);
      std::string number = d.version.substr(start, end - start);
      bool digits = !number.empty() && number.size() <= 5 &&
                    number.find_first_not_of("0123456789") == std::string::npos;
      if (count == 4 || !digits || std::stoul(number) > 0xFFFF)
        Fail(root.get("version"), root, "version", "must be up to four numbers 0-65535 with dots between");
      d.versionNumbers[count] = uint32_t(std::stoul(number));
      if (end == std::string::npos) break;
      start = end + 1;
    }
  }

  std::string ReadExecutionLevel(const toml::table& root) const {
    std::string level = Plain(root, "execution_level", "", false);
    if (level.empty()) return "requireAdministrator";
    if (level != "requireAdministrator" && level != "asInvoker" && level != "highestAvailable")
      Fail(root.get("execution_level"), root, "execution_level",
           "one of requireAdministrator, highestAvailable, asInvoker");
    return level;
  }

  // A file may not sit where another file's folder is.
  void CheckFolders(const toml::array& array, const ProductDescription& d) const {
    std::map<std::string, size_t> files;
    for (size_t i = 0; i < d.files.size(); ++i) files.emplace(Lower(d.files[i].target), i);
    for (size_t i = 0; i < d.files.size(); ++i) {
      std::string target = Lower(d.files[i].target);
      for (size_t at = target.find('\\'); at != std::string::npos; at = target.find('\\', at + 1)) {
        auto folder = files.find(target.substr(0, at));
        if (folder == files.end()) continue;
        size_t later = std::max(i, folder->second), earlier = std::min(i, folder->second);
        const toml::table& t = *array[later].as_table();
        Fail(t.get("target"), t, Item("files", later) + "target",
             later == i ? "lies in a folder that is files[" + std::to_string(earlier) + "]'s file"
                        : "is the folder of files[" + std::to_string(earlier) + "]");
      }
    }
  }

  static std::string Item(const char* array, size_t i) {
    return std::string(array) + "[" + std::to_string(i) + "].";
  }

  void ReadComponents(const toml::table& root, ProductDescription& d) {
    const toml::array* array = Array(root, "components");
    if (array == nullptr) return;
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("components", i);
      Known(t, f, {"id", "name", "description", "image"});
      Component c;
      c.id = Plain(t, "id", f, true);
      if (c.id.empty()) Fail(t.get("id"), t, f + "id", "must not be empty");
      if (!componentIndex_.emplace(c.id, uint32_t(i)).second)
        Fail(t.get("id"), t, f + "id", "duplicate component '" + c.id + "'");
      c.name = ReadText(t, "name", f, true);
      c.description = ReadText(t, "description", f, false);
      c.image = Number(t, "image", f, kComponentImages - 1, false, 0);
      d.components.push_back(c);
    }
  }

  void ReadSetupTypes(const toml::table& root, ProductDescription& d) {
    const toml::array* array = Array(root, "setup_types");
    size_t count = array != nullptr ? array->size() : 0;
    if (count < 1 || count > kMaxSetupTypes)
      Fail(root.get("setup_types"), root, "setup_types", "there must be 1 to 4 setup types");
    int custom = -1;
    for (size_t i = 0; i < count; ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("setup_types", i);
      Known(t, f, {"name", "description", "icon", "components", "custom"});
      SetupType s;
      s.name = ReadText(t, "name", f, true);
      s.description = ReadText(t, "description", f, false);
      s.icon = Number(t, "icon", f, 0xFFFF);
      s.components = ComponentList(t, f);
      if (const toml::node* node = t.get("custom")) {
        if (!node->is_boolean()) Fail(node, t, f + "custom", "must be true or false");
        if (**node->as_boolean()) {
          if (custom >= 0) Fail(node, t, f + "custom", "only one setup type can be the custom one");
          custom = int(i);
        }
      }
      d.setupTypes.push_back(s);
    }
    if (custom < 0) Fail(array->get(0), root, "setup_types", "one setup type must have custom = true");
    d.customSetupType = uint32_t(custom);
  }

  void ReadPathPages(const toml::table& root, ProductDescription& d) {
    for (const char* name : kSeededVariables) variables_.insert(Lower(name));
    const toml::array* array = Array(root, "path_pages");
    if (array == nullptr) return;
    if (array->size() > kMaxPathPages)
      Fail(root.get("path_pages"), root, "path_pages", "at most 11 path pages");
    std::set<std::string> own;
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("path_pages", i);
      Known(t, f, {"variable", "default", "text", "components"});
      PathPage p;
      p.variable = Name(t, "variable", f);
      if (p.variable.empty() || p.variable.find_first_of("$()") != std::string::npos)
        Fail(t.get("variable"), t, f + "variable", "must be a name without $, ( or )");
      if (!own.insert(Lower(p.variable)).second)
        Fail(t.get("variable"), t, f + "variable", "two path pages set " + p.variable);
      p.defaultValue = ReadText(t, "default", f, true);
      for (const auto& [text, language] : {std::pair{&p.defaultValue.english, " (English)"},
                                           std::pair{&p.defaultValue.japanese, " (Japanese)"}}) {
        if (text->empty()) Fail(t.get("default"), t, f + "default" + language, "must not be empty");
        if (HasSplitBackslash(*text))
          Fail(t.get("default"), t, f + "default" + language,
               "holds a character whose code page 932 bytes end in '\\', which would split the path");
      }
      p.text = ReadText(t, "text", f, false);
      p.components = ComponentList(t, f);
      d.pathPages.push_back(p);
    }
    // Defaults may use the seeded variables and those of earlier pages.
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      CheckReferences(d.pathPages[i].defaultValue.english, t, "default", Item("path_pages", i));
      CheckReferences(d.pathPages[i].defaultValue.japanese, t, "default", Item("path_pages", i));
      variables_.insert(Lower(d.pathPages[i].variable));
    }
  }

  std::string FindSource(const std::string& name) const {
    struct stat st;
    if (!name.empty() && name[0] == '/') return IsRegularFile(name, &st) ? name : "";
    for (const std::string& folder : folders_) {
      std::string full = folder + "/" + name;
      if (IsRegularFile(full, &st)) return full;
    }
    return "";
  }

  void ReadFiles(const toml::table& root, ProductDescription& d) {
    const toml::array* array = Array(root, "files");
    if (array == nullptr) return;
    std::map<std::string, size_t> targets;
    uint64_t total = 0;
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("files", i);
      Known(t, f, {"source", "target", "components"});
      PayloadFile file;
      std::string source = Plain(t, "source", f, true);
      file.source = FindSource(source);
      if (file.source.empty()) Fail(t.get("source"), t, f + "source", "no such file '" + source + "'");
      file.target = Name(t, "target", f);
      CheckReferences(file.target, t, "target", f);
      std::string problem = TargetPathProblem(file.target);
      if (!problem.empty()) Fail(t.get("target"), t, f + "target", problem);
      auto [where, fresh] = targets.emplace(Lower(file.target), i);
      if (!fresh)
        Fail(t.get("target"), t, f + "target",
             "same target as files[" + std::to_string(where->second) + "]");
      file.components = ComponentList(t, f);
      struct stat st;
      ::stat(file.source.c_str(), &st);
      file.size = uint64_t(st.st_size);
      file.fileTime = FileTimeOf(st);
      total += file.size;
      if (total > kMaxPayload)
        Fail(t.get("source"), t, f + "source", "the files add up to more than 2 GB");
      d.files.push_back(file);
    }
    CheckFolders(*array, d);
  }

  void ReadShortcuts(const toml::table& root, ProductDescription& d) {
    const toml::array* array = Array(root, "shortcuts");
    if (array == nullptr) return;
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("shortcuts", i);
      Known(t, f, {"name", "target", "arguments", "show"});
      Shortcut s;
      s.name = ReadText(t, "name", f, true);
      if (s.name.english.empty() || s.name.japanese.empty())
        Fail(t.get("name"), t, f + "name", "must not be empty");
      s.target = Name(t, "target", f);
      CheckReferences(s.target, t, "target", f);
      std::string problem = TargetPathProblem(s.target);
      if (!problem.empty()) Fail(t.get("target"), t, f + "target", problem);
      s.arguments = Name(t, "arguments", f, false);
      s.showCommand = 1;
      if (const toml::node* node = t.get("show")) {
        if (node->is_string()) {
          auto found = kShowCommands.find(**node->as_string());
          if (found == kShowCommands.end())
            Fail(node, t, f + "show", "one of hidden, normal, minimized, maximized, minimized-inactive");
          s.showCommand = found->second;
        } else {
          s.showCommand = Number(t, "show", f, 11);
        }
      }
      d.shortcuts.push_back(s);
    }
  }

  bool Flag(const toml::table& table, const char* key, const std::string& field, bool fallback) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) return fallback;
    if (!node->is_boolean()) Fail(node, table, field + key, "must be true or false");
    return **node->as_boolean();
  }

  int32_t SignedNumber(const toml::table& table, const char* key, const std::string& field) const {
    const toml::node* node = table.get(key);
    if (node == nullptr) return 0;
    if (!node->is_integer()) Fail(node, table, field + key, "must be a whole number");
    int64_t value = **node->as_integer();
    if (value < INT32_MIN || value > INT32_MAX)
      Fail(node, table, field + key, "must be between -2147483648 and 2147483647");
    return int32_t(value);
  }

  // A file's path: given, or the fallback; either way a Windows path with known variables.
  std::string FilePath(const toml::table& table, const char* key, const std::string& field,
                       const std::string& fallback) const {
    std::string path = table.get(key) != nullptr ? Name(table, key, field) : fallback;
    CheckReferences(path, table, key, field);
    std::string problem = TargetPathProblem(path);
    if (!problem.empty()) Fail(table.get(key), table, field + key, problem);
    return path;
  }

  // A name of one registry key.
  std::string KeyName(const toml::table& table, const char* key, const std::string& field,
                      bool required = true) const {
    std::string name = Name(table, key, field, required);
    if (table.get(key) == nullptr) return name;
    std::string problem = KeyNameProblem(name);
    if (!problem.empty()) Fail(table.get(key), table, field + key, problem);
    return name;
  }

  // The main program's file among the files, else the first path page's folder.
  static std::string DefaultMainProgram(const ProductDescription& d) {
    for (const PayloadFile& f : d.files) {
      if (Lower(FileNameOf(f.target)) == Lower(d.mainProgram)) return f.target;
    }
    if (d.pathPages.empty()) return "";
    return "$(" + d.pathPages[0].variable + ")\\" + d.mainProgram;
  }

  // Without a folder the product defines, a product with no path page would write
  // its log to the root of a drive.
  void CheckInsideProduct(const toml::table& root, const char* key, const std::string& path,
                          const ProductDescription& d) const {
    const std::string folder = Lower(FolderOf(path));
    auto within = [&](const std::string& base) {
      return !base.empty() && (folder == base || folder.rfind(base + "\\", 0) == 0);
    };
    for (const PathPage& p : d.pathPages) {
      if (within("$(" + Lower(p.variable) + ")")) return;
    }
    for (const PayloadFile& f : d.files) {
      if (within(Lower(FolderOf(f.target)))) return;
    }
    Fail(root.get(key), root, key,
         "'" + path + "' lies outside every folder the product defines (a path page's $(Variable) "
         "or the folder of one of its files)");
  }

  void ReadPlaces(const toml::table& root, ProductDescription& d) const {
    d.uninstaller = Flag(root, "uninstaller", "", false);
    d.appPath = Flag(root, "app_path", "", true);
    std::string mainProgram = DefaultMainProgram(d);
    if (root.get("main_program_target") == nullptr && mainProgram.empty())
      Fail(nullptr, root, "main_program_target",
           "missing: no file is main_program and there is no path page to put it in");
    d.mainProgramTarget = FilePath(root, "main_program_target", "", mainProgram);
    CheckInsideProduct(root, "main_program_target", d.mainProgramTarget, d);
    d.uninstallerTarget =
        FilePath(root, "uninstaller_target", "", FolderOf(d.mainProgramTarget) + "\\uninstaller.exe");
    if (d.uninstaller) CheckInsideProduct(root, "uninstaller_target", d.uninstallerTarget, d);
    d.log = FilePath(root, "log", "",
                     FolderOf(d.uninstaller ? d.uninstallerTarget : d.mainProgramTarget) + "\\uninstal.l0g");
    CheckInsideProduct(root, "log", d.log, d);
    if (d.uninstaller) PlaceUninstaller(root, d);
  }

  // The uninstaller listed as a file stays as listed; otherwise it joins the files.
  void PlaceUninstaller(const toml::table& root, ProductDescription& d) const {
    const std::string target = Lower(d.uninstallerTarget);
    for (size_t i = 0; i < d.files.size(); ++i) {
      const std::string other = Lower(d.files[i].target);
      if (other == target) return;
      if (other.rfind(target + "\\", 0) == 0)
        Fail(root.get("uninstaller_target"), root, "uninstaller_target",
             "is the folder of files[" + std::to_string(i) + "]");
      if (target.rfind(other + "\\", 0) == 0)
        Fail(root.get("uninstaller_target"), root, "uninstaller_target",
             "lies in a folder that is files[" + std::to_string(i) + "]'s file");
    }
    d.uninstallerToAdd = true;
  }

  void ReadFileTypes(const toml::table& root, ProductDescription& d) const {
    const toml::array* array = Array(root, "file_types");
    if (array == nullptr) return;
    std::map<std::string, size_t> extensions;
    for (size_t i = 0; i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("file_types", i);
      Known(t, f, {"extension", "type", "name", "icon", "icon_index", "command", "dde"});
      FileType ft;
      ft.extension = Name(t, "extension", f);
      std::string problem = ExtensionProblem(ft.extension);
      if (!problem.empty()) Fail(t.get("extension"), t, f + "extension", problem);
      auto [where, fresh] = extensions.emplace(Lower(ft.extension), i);
      if (!fresh)
        Fail(t.get("extension"), t, f + "extension",
             "same extension as file_types[" + std::to_string(where->second) + "]");
      ft.typeName = KeyName(t, "type", f);
      ft.displayName = ReadText(t, "name", f, true);
      if (ft.displayName.english.empty() || ft.displayName.japanese.empty())
        Fail(t.get("name"), t, f + "name", "must not be empty");
      ft.icon = FilePath(t, "icon", f, d.mainProgramTarget);
      ft.iconIndex = SignedNumber(t, "icon_index", f);
      ft.command = "\"" + d.mainProgramTarget + "\" \"%1\"";
      if (t.get("command") != nullptr) {
        ft.command = Name(t, "command", f);
        if (ft.command.empty()) Fail(t.get("command"), t, f + "command", "must not be empty");
        CheckReferences(ft.command, t, "command", f);
      }
      if (const toml::node* node = t.get("dde")) {
        const toml::table* dde = node->as_table();
        if (dde == nullptr) Fail(node, t, f + "dde", "must be a table { command, application, topic }");
        std::string g = f + "dde.";
        Known(*dde, g, {"command", "application", "topic"});
        ft.ddeCommand = Name(*dde, "command", g);
        ft.ddeApplication = Name(*dde, "application", g);
        ft.ddeTopic = Name(*dde, "topic", g);
        for (const char* key : {"command", "application", "topic"}) {
          if (Name(*dde, key, g).empty()) Fail(dde->get(key), *dde, g + key, "must not be empty");
        }
      }
      d.fileTypes.push_back(ft);
    }
  }

  void ReadSoundEvents(const toml::table& root, ProductDescription& d) const {
    const toml::array* array = Array(root, "sound_events");
    std::set<std::string> events;
    for (size_t i = 0; array != nullptr && i < array->size(); ++i) {
      const toml::table& t = *(*array)[i].as_table();
      std::string f = Item("sound_events", i);
      Known(t, f, {"event", "label"});
      SoundEvent e;
      e.event = KeyName(t, "event", f);
      if (!events.insert(Lower(e.event)).second)
        Fail(t.get("event"), t, f + "event", "two sound events are named " + e.event);
      e.label = ReadText(t, "label", f, true);
      d.soundEvents.push_back(e);
    }
    d.soundApp = KeyName(root, "sound_app", "", false);
    if (!d.soundEvents.empty() && d.soundApp.empty())
      Fail(root.get("sound_app"), root, "sound_app",
           "missing: [[sound_events]] need the key of their application under AppEvents\\Schemes\\Apps");
    d.soundAppName = ReadText(root, "sound_app_name", "", false);
    if (root.get("sound_app_name") == nullptr) d.soundAppName = Text{d.product, d.product};
  }

  std::string path_;
  std::vector<std::string> folders_;
  std::map<std::string, uint32_t> componentIndex_;
  std::set<std::string> variables_;
};

}  // namespace

void AddUninstallerFile(ProductDescription& d, const std::string& path) {
  struct stat st;
  if (!IsRegularFile(path, &st)) throw std::runtime_error("no uninstaller at '" + path + "'");
  PayloadFile file;
  file.source = path;
  file.target = d.uninstallerTarget;
  for (uint32_t i = 0; i < d.components.size(); ++i) file.components.push_back(i);
  file.size = uint64_t(st.st_size);
  file.fileTime = FileTimeOf(st);
  uint64_t total = file.size;
  for (const PayloadFile& f : d.files) total += f.size;
  if (total > kMaxPayload) throw std::runtime_error("with the uninstaller the files add up to more than 2 GB");
  d.files.push_back(file);
  d.uninstallerToAdd = false;
}

ProductDescription ReadDescription(const std::string& path,
                                   const std::vector<std::string>& searchFolders) {
  return Reader(path, searchFolders).Read();
}
