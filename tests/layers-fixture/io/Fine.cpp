#include "io/FileIO.h"
#include "graphics/DrawingSurface.h"
