// Every spelling of an include that keeps the order.
#include <core/Base.h>
#include "../core/Tokens.h"
#  include "core/Base.h"
#include <vector>
