// A layer that reaches up to the interpreter: the check must refuse it.
#include "script/Engine.h"
