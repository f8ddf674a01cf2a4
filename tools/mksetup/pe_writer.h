// Writes a new resource tree into a copy of a Windows program: the program's resource
// section is rebuilt, the sections after it (only base relocations may follow) moved,
// the headers and the file's checksum set.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mksetup/mapped_file.h"
#include "tools/mksetup/pe_image.h"
#include "tools/mksetup/pe_resources.h"

// A program laid out for writing: bytes holds all of it but the data of the resources
// kept in files, each of which belongs just before bytes[at]. The resources must
// outlive it.
struct LaidOutProgram {
  struct Gap {
    size_t at;
    const Resource* resource;
  };
  std::vector<uint8_t> bytes;
  std::vector<Gap> gaps;  // in order
};

// The resource section for resources, to be loaded at sectionRva.
std::vector<uint8_t> LayOutResourceSection(const std::vector<Resource>& resources, uint32_t sectionRva);

// program with its resources replaced by resources; its checksum is left for the
// writer. Throws PeError when program is signed, has data after its sections, or has
// sections other than base relocations after its resources.
LaidOutProgram LayOutProgram(const std::vector<uint8_t>& program, const std::string& path,
                             const std::vector<Resource>& resources);

// The same whole in memory, its checksum set.
std::vector<uint8_t> ReplaceResources(const std::vector<uint8_t>& program, const std::string& path,
                                      const std::vector<Resource>& resources);

// Writes the program to path, copying the resources kept in files a piece at a time,
// and sets its checksum. Throws std::runtime_error.
void WriteProgram(const LaidOutProgram& program, const std::string& path);

// Stores the checksum the loader computes in the header.
void SetPeChecksum(std::vector<uint8_t>& program, const std::string& path);

// The loader's checksum of a mapped program, read a piece at a time.
uint32_t FileChecksum(MappedFile& file, const PeImage& image);

// Stores it in the header of the program at path.
void SetFileChecksum(const std::string& path);
