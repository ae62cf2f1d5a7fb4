#include "render/StampGlyphs.h"

#include <gtest/gtest.h>
