// The setup program without product resources (the stub) that a build starts from,
// the uninstaller a build may add, and the signing of the finished program.
#pragma once

#include <string>

// "i686" or "x86_64".
extern const char* const kDefaultArchitecture;

// The stub's file name for an architecture: setup-stub-ARCH.exe.
std::string StubFileName(const std::string& architecture);

// The stub beside this program or in PREFIX/lib/mksetup when this program is
// PREFIX/bin/mksetup. Throws std::runtime_error naming where it looked.
std::string FindStub(const std::string& architecture);

// The project's uninstaller, found as the stub is: uninstaller-ARCH.exe.
std::string UninstallerFileName(const std::string& architecture);
std::string FindUninstaller(const std::string& architecture);

// The architecture a Windows program was built for, from its header ("" when another).
std::string ProgramArchitecture(const std::string& path);

struct SigningOptions {
  std::string certificate;   // PKCS#12 file; empty: no signing
  std::string passwordFile;  // may be empty
  std::string timestampUrl;  // may be empty
};

// Signs in into out with osslsigncode. Throws std::runtime_error with its message.
void SignProgram(const std::string& in, const std::string& out, const SigningOptions& options);
