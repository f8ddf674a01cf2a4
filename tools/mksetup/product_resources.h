// The resources a product adds to the setup program: its configuration, payload,
// integrity records, version information and manifest.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/mksetup/description.h"
#include "tools/mksetup/layout.h"
#include "tools/mksetup/pe_resources.h"

// CONFIG 1 (neutral), CONFIG 2 (1033, 1041), ARCHIVE 1 (neutral) and, when the
// product has one, CONFIG 3 (neutral), in that order. The archive stays in its file:
// it is by far the largest of them.
std::vector<Resource> ConfigurationResources(const ConfigResources& r, const std::string& archiveFile,
                                             uint64_t archiveSize);

// The CHECKSUM resource's data: one record for each CONFIG and ARCHIVE resource.
std::vector<uint8_t> LayOutChecksum(const std::vector<Resource>& resources);

// The stub's own resources without any product's, with the product's added.
std::vector<Resource> MergeProductResources(const std::vector<Resource>& stub,
                                            const ProductDescription& d,
                                            const std::vector<Resource>& configuration);

// What is wrong with the CHECKSUM resource among resources, "" when every record
// matches and every CONFIG and ARCHIVE resource has one.
std::string ChecksumProblem(const std::vector<Resource>& resources);
