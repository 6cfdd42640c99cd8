#pragma once

namespace strobe95::fx {

// One frame of a stereo effect stage's input or output.
struct StereoSample {
  float left = 0.0f;
  float right = 0.0f;
};

}  // namespace strobe95::fx
