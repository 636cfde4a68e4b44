#include "view/picture_state.h"

namespace vela {

int PictureWidth = 0;
int PictureHeight = 0;

}  // namespace vela
