// How a wizard page ended: the ids of the frame's buttons, or pageNone when the
// message queue reported the end of the application.
#pragma once

enum PageResult {
  pageNone = 0,
  pageNext = 1,
  pageCancel = 9,
  pageBack = 12,
};
