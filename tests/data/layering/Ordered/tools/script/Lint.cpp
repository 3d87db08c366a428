#include "script/Engine.h"
#include "Local.h"
