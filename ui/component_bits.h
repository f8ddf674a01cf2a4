// Reading and changing one component's bit of a SelectionBitmap: component i is bit
// i mod 8, counted from the least significant bit, of byte i / 8.
#pragma once

#include <cstdint>

bool IsComponentSelected(const uint8_t* selection, uint32_t component);
void SetComponentSelected(uint8_t* selection, uint32_t component, bool selected);
// Whether any of the first count components is selected; bits past them do not count.
bool AnyComponentSelected(const uint8_t* selection, uint32_t count);
