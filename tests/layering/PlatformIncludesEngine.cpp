// The desktop services stand on the system alone, not on the engine.
#include "engine/base/Ref.h"
