#include "ui/browse_path.h"

int ShellCompareOrder(int32_t result) {
  const int16_t order = int16_t(uint16_t(uint32_t(result) & 0xFFFF));
  if (order == -1) return -1;
  return order == 0 ? 0 : 1;
}
