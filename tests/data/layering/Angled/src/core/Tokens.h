#pragma once
// Core may use nothing above it.
#include "core/Base.h"
