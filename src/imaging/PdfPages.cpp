#include "PdfPages.h"
