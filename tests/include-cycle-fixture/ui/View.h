#include "ui/Colors.h"
