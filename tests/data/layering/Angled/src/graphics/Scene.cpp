// A layer that reaches up to the interpreter.
#include <script/Engine.h>
