// A layer that reaches up to the interpreter.
#ifdef SCENE
#  include "script/Engine.h"
#endif
