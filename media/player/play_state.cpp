#include "media/player/play_state.h"

namespace media {

const char* PlayStateName(TPlayState state) {
  switch (state) {
    case psPlay:
      return "psPlay";
    case psPause:
      return "psPause";
    case psResume:
      return "psResume";
    case psStep:
      return "psStep";
    case psStop:
      return "psStop";
    case psEnd:
      return "psEnd";
  }
  return "?";
}

}  // namespace media
