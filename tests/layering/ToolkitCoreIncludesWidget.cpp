// The toolkit's core and network layer sit below its widgets.
#include "toolkit/widgets/NSMenu.h"
