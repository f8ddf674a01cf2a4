// Creating the folders of a target path.
#pragma once

// Creates every missing folder of path, which ends with a separator (drive and folder
// of a split path), outermost first, logging each one made (LogDirectory). path is
// cut at each separator while it runs and restored. 0, or 13 when a folder cannot be
// created.
int CreateDirectories(char* path);
