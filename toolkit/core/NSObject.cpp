#include "toolkit/core/NSObject.h"

namespace NSUI {

NSObject::~NSObject() = default;

}  // namespace NSUI
