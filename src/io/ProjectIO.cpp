#include "io/ProjectIO.h"
