#include "tools/mksetup/stub.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <stdexcept>
#include <vector>

#include "tools/mksetup/pe_image.h"
#include "tools/mksetup/pe_resources.h"

const char* const kDefaultArchitecture = "i686";

namespace {

std::string OwnFolder() {
  std::vector<char> buffer(4096);
  ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return ".";
  std::string self(buffer.data(), size_t(n));
  return self.substr(0, self.rfind('/'));
}

bool IsFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

}  // namespace

std::string StubFileName(const std::string& architecture) {
  return "setup-stub-" + architecture + ".exe";
}

std::string UninstallerFileName(const std::string& architecture) {
  return "uninstaller-" + architecture + ".exe";
}

namespace {

// Beside this program, or in PREFIX/lib/mksetup when this program is PREFIX/bin/mksetup.
std::string FindBeside(const std::string& name, const std::string& what, const char* option) {
  const std::string folder = OwnFolder();
  const std::string candidates[] = {folder + "/" + name, folder + "/../lib/mksetup/" + name};
  for (const std::string& candidate : candidates) {
    if (IsFile(candidate)) return candidate;
  }
  throw std::runtime_error("no " + what + ": looked for " + candidates[0] + " and " + candidates[1] +
                           " (give one with " + option + " FILE)");
}

}  // namespace

std::string FindStub(const std::string& architecture) {
  return FindBeside(StubFileName(architecture), "setup program for " + architecture, "--stub");
}

std::string FindUninstaller(const std::string& architecture) {
  return FindBeside(UninstallerFileName(architecture), "uninstaller for " + architecture, "--uninstaller");
}

std::string ProgramArchitecture(const std::string& path) {
  std::vector<uint8_t> bytes = ReadWholeFile(path);
  PeImage image = ParsePeImage(bytes, path);
  switch (ReadU16(bytes, image.fileHeader)) {
    case 0x014C: return "i686";
    case 0x8664: return "x86_64";
    default: return "";
  }
}

void SignProgram(const std::string& in, const std::string& out, const SigningOptions& options) {
  std::vector<std::string> args = {"osslsigncode", "sign", "-pkcs12", options.certificate};
  if (!options.passwordFile.empty()) args.insert(args.end(), {"-readpass", options.passwordFile});
  if (!options.timestampUrl.empty()) args.insert(args.end(), {"-ts", options.timestampUrl});
  args.insert(args.end(), {"-in", in, "-out", out});
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int pipeFds[2];
  if (::pipe(pipeFds) != 0) throw std::runtime_error(std::string("cannot sign: ") + std::strerror(errno));
  pid_t child = ::fork();
  if (child < 0) throw std::runtime_error(std::string("cannot sign: ") + std::strerror(errno));
  if (child == 0) {
    ::dup2(pipeFds[1], 1);
    ::dup2(pipeFds[1], 2);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::execvp(argv[0], argv.data());
    const char message[] = "osslsigncode cannot be started (install the osslsigncode package)\n";
    ssize_t ignored = ::write(2, message, sizeof message - 1);
    (void)ignored;
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  std::string output;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) != 0;) {
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) break;
    output.append(buffer, size_t(n));
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    while (!output.empty() && output.back() == '\n') output.pop_back();
    throw std::runtime_error("signing with " + options.certificate + " failed:\n" + output);
  }
}
