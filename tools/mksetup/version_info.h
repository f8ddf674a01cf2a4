// What Windows shows about the setup program's file: its version information in
// English and Japanese, and its manifest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mksetup/description.h"

// A VS_VERSIONINFO block for one language (1033 or 1041), its strings in Unicode.
std::vector<uint8_t> LayOutVersionInfo(const ProductDescription& d, uint32_t language);

// The application manifest: the execution level asked for and the supported systems;
// no common-controls dependency, so the classic look stays.
std::string ManifestText(const std::string& executionLevel);
