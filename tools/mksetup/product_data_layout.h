// ProductData (CONFIG 3): the product's own registrations, and whether a product
// needs it at all.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/mksetup/description.h"
#include "tools/mksetup/string_tables.h"

// True when the product registers exactly what a setup without CONFIG 3 does: then
// the resource is left out and the product's other resources stay as they were.
bool HasBuiltinRegistrations(const ProductDescription& d);

// CONFIG 3, its texts and paths appended to strings.
std::vector<uint8_t> LayOutProductData(const ProductDescription& d, StringTables& strings);
