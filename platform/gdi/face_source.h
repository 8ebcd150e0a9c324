// Where a face comes from that the fonts-wine folder does not have: one back end per
// build. On the desktop fontconfig's best match stands in (face_source_fontconfig.cpp);
// a page has only the faces it ships, and the folder's nearest is the answer
// (face_source_page.cpp).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace platform::gdi {

// A face file and the index of the face in it; an empty file names no face.
using FaceFile = std::pair<std::string, int>;

// The file for a face name (upper case), weight and slant that none of the
// folder's faces `folderFiles` has; `nearest` is the folder's nearest face, empty
// when the folder has none. Called once per face asked for: the caller keeps the
// answer.
FaceFile FaceBeyondFolder(const std::u16string &family, int weight, bool italic,
                          const FaceFile &nearest, const std::vector<std::string> &folderFiles);

} // namespace platform::gdi
