#include "PdfBook.h"
