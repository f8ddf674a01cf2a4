// Writes a new resource tree into a copy of a Windows program: the program's resource
// section is rebuilt, the sections after it (only base relocations may follow) moved,
// the headers and the file's checksum set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mksetup/pe_resources.h"

// The resource section for resources, to be loaded at sectionRva.
std::vector<uint8_t> LayOutResourceSection(const std::vector<Resource>& resources, uint32_t sectionRva);

// program with its resources replaced by resources. Throws PeError when program is
// signed, has data after its sections, or has sections other than base relocations
// after its resources.
std::vector<uint8_t> ReplaceResources(const std::vector<uint8_t>& program, const std::string& path,
                                      const std::vector<Resource>& resources);

// Stores the checksum the loader computes in the header.
void SetPeChecksum(std::vector<uint8_t>& program, const std::string& path);
