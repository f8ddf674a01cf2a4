#include "ui/component_bits.h"

bool IsComponentSelected(const uint8_t* selection, uint32_t component) {
  return (selection[component / 8] >> (component % 8) & 1) != 0;
}

void SetComponentSelected(uint8_t* selection, uint32_t component, bool selected) {
  const uint8_t bit = uint8_t(1u << (component % 8));
  if (selected) {
    selection[component / 8] |= bit;
  } else {
    selection[component / 8] &= uint8_t(~bit);
  }
}

bool AnyComponentSelected(const uint8_t* selection, uint32_t count) {
  for (uint32_t i = 0; i < count; ++i) {
    if (IsComponentSelected(selection, i)) return true;
  }
  return false;
}
