#include "FrameGeometry.h"
