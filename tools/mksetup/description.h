// A product description: what the setup installs and the texts it shows, read from
// a TOML file and checked completely before anything is written.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

// "FILE:LINE: FIELD: what is wrong".
struct DescriptionError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A text in both languages, already in each language's code page.
struct Text {
  std::string english;   // code page 1252
  std::string japanese;  // code page 932
};

struct Component {
  std::string id;
  Text name;
  Text description;
  uint32_t image;
};

struct SetupType {
  Text name;
  Text description;
  uint32_t icon;
  std::vector<uint32_t> components;
};

struct PathPage {
  std::string variable;
  Text defaultValue;  // a path; may differ between the languages (a Japanese folder name)
  Text text;
  std::vector<uint32_t> components;
};

struct PayloadFile {
  std::string source;  // path on this machine
  std::string target;  // with $(Name) references
  std::vector<uint32_t> components;
  uint64_t size;
  uint64_t fileTime;    // FILETIME of the source's last write
};

struct Shortcut {
  Text name;
  std::string target;
  std::string arguments;
  uint32_t showCommand;
};

// A file type the product registers: the extension names the type key, which gets the
// display name, the icon and the open verb.
struct FileType {
  std::string extension;  // ".txt"
  std::string typeName;   // key under HKEY_CLASSES_ROOT
  Text displayName;
  std::string icon;       // path
  int32_t iconIndex = 0;  // negative: an icon resource number
  std::string command;    // path: the open command
  std::string ddeCommand, ddeApplication, ddeTopic;  // all empty: no DDE
};

struct SoundEvent {
  std::string event;  // key name
  Text label;
};

struct ProductDescription {
  std::string company;
  std::string product;
  std::string mainProgram;
  Text windowTitle;
  Text programFolder;
  Text welcome;      // empty: no such page
  Text agreement;
  Text information;
  std::vector<Component> components;
  std::vector<SetupType> setupTypes;
  uint32_t customSetupType = 0;
  std::vector<PathPage> pathPages;
  std::vector<PayloadFile> files;
  std::vector<Shortcut> shortcuts;
  std::string version;              // as written, "" when not given
  uint32_t versionNumbers[4] = {};  // missing numbers are 0
  Text publisher;                   // empty: the company
  Text copyright;
  std::string executionLevel = "requireAdministrator";

  // What the installation registers beyond files and shortcuts; paths with $(Name).
  std::vector<FileType> fileTypes;
  std::vector<SoundEvent> soundEvents;
  std::string soundApp;  // key under AppEvents\Schemes\Apps; "" without sound events
  Text soundAppName;
  std::string mainProgramTarget;
  std::string uninstallerTarget;
  std::string log;
  bool appPath = true;
  bool uninstaller = false;  // the project's uninstaller and the Uninstall entry
  // The uninstaller is not among the files yet: AddUninstallerFile puts it at
  // uninstallerTarget.
  bool uninstallerToAdd = false;
};

// Reads and checks a description. Sources are looked up beside the description,
// then in each search folder. Throws DescriptionError.
ProductDescription ReadDescription(const std::string& path,
                                   const std::vector<std::string>& searchFolders);

// Appends the uninstaller program at path to the files, installed with every
// component. Throws std::runtime_error when it cannot be read or the payload grows
// too large.
void AddUninstallerFile(ProductDescription& d, const std::string& path);

// What is wrong with a file's target as a Windows path, "" when nothing is.
std::string TargetPathProblem(const std::string& target);

// The folder of a Windows path ("" when it has none) and its last part.
std::string FolderOf(const std::string& path);
std::string FileNameOf(const std::string& path);

// What is wrong with a registry key name of one level, or a file extension, "" when
// nothing is.
std::string KeyNameProblem(const std::string& name);
std::string ExtensionProblem(const std::string& extension);

// True when a code page 932 text holds a double-byte character whose second byte is
// '\', which code that splits paths byte by byte would take for a separator.
bool HasSplitBackslash(const std::string& text);

// Component and image limits that the setup program's pages can show.
constexpr uint32_t kComponentImages = 58;
