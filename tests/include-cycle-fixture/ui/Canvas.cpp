#include "ui/Canvas.h"
#include "ui/View.h"
