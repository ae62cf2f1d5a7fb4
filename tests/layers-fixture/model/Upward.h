#pragma once
#include "model/Annotation.h"
#include "editor/EditorModel.h"
