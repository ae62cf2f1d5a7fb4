#include "ui/View.h"
#include "ui/Canvas.h"
