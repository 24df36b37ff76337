// The frames of a .vrn file as a GdkPixbufAnimation that loops for ever,
// and its iterator (GObject types VornPixbufAnimation and
// VornPixbufAnimationIter).
#pragma once

#include <vector>

#include "desktop/gdk-pixbuf/PixbufFrameReader.h"

namespace vorn::desktop {

// Takes the frames (at least one, all the same size); the list is left
// empty. Returns nullptr, with the frames released, when memory runs out.
GdkPixbufAnimation* NewPixbufAnimation(std::vector<TPixbufFrame>& frames);

}  // namespace vorn::desktop
