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
  std::string defaultValue;
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
};

// Reads and checks a description. Sources are looked up beside the description,
// then in each search folder. Throws DescriptionError.
ProductDescription ReadDescription(const std::string& path,
                                   const std::vector<std::string>& searchFolders);

// What is wrong with a file's target as a Windows path, "" when nothing is.
std::string TargetPathProblem(const std::string& target);

// Component and image limits that the setup program's pages can show.
constexpr uint32_t kComponentImages = 58;
