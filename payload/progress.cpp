#include "payload/extract.h"

uint32_t ProgressPosition(int64_t decoded, int64_t total) {
  if (total <= 0 || decoded >= total) return kProgressEnd;
  if (decoded <= 0) return 0;
  return uint32_t(double(decoded) * double(kProgressEnd) / double(total));
}
