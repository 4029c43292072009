#include "BitonalTiff.h"
