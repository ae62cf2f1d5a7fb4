// Fixture for check-include-cycles.py: Canvas and View need each other.
#include "ui/Colors.h"
