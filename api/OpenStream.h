// For the front ends linked with the library's objects (the Susie
// plug-ins): an image opened over a stream of their own. It is read as
// vorn_open_io reads its callbacks, but a stream that reads at offsets (a
// file) is also read by the workers that inflate ahead, which callbacks
// cannot offer.
#pragma once

#include <memory>

#include "vorn/vorn.h"

namespace vorn {

class TStream;

namespace api {

// Takes input (from its position 0 to its size) into the image; statuses
// and the error description as vorn_open_io gives them.
vorn_status OpenStream(std::unique_ptr<TStream> input, const vorn_options* options,
                       vorn_image** out) noexcept;

}  // namespace api
}  // namespace vorn
