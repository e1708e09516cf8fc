// The window and the GL backend are for the program and the drawing tests, not headless code.
#include "engine/backend/GLViewImpl.h"
