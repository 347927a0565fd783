#include "velmo_assets.hpp"

namespace velmo::assets {

int embeddedPictureCount()
{
    return static_cast<int>(kBitmapResources.size() + kFormPictures.size());
}

} // namespace velmo::assets
