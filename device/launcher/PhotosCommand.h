#pragma once
#include <string>
#include <vector>

// `photos add-album TITLE`, `photos add FILE [--album ID-or-TITLE]` (FILE is a path on this
// machine: a picture in any format UIImage reads, a phone's HEIC included), `photos list`: the
// device's photo library. `photos access [allow|deny]`: whether apps may read it. Returns the exit
// status.
int runPhotos(const std::vector<std::string>& args);
