#pragma once
// Kept so that code written against the window layer's path still builds;
// the header lives in framework/core, below Qt.
#include "framework/core/DrawContext.h"
