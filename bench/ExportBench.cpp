#include "io/PngWriter.h"

#include <benchmark/benchmark.h>
