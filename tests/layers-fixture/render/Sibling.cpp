#include "render/EditorRenderer.h"
#include "io/ProjectIO.h"
