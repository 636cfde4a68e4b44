#include "view/view.h"

namespace vela {

int DragActive = 0;
double DragOffsetX = 0.0;
double DragOffsetY = 0.0;

}  // namespace vela
