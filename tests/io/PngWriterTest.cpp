#include "io/PngWriter.h"
