// A page's face source: the faces shipped with the page are all it has, so the
// folder's nearest face stands in for any other.
#include "gdi/face_source.h"

namespace platform::gdi {

FaceFile FaceBeyondFolder(const std::u16string & /*family*/, int /*weight*/, bool /*italic*/,
                          const FaceFile &nearest,
                          const std::vector<std::string> & /*folderFiles*/) {
  return nearest;
}

} // namespace platform::gdi
