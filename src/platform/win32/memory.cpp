#include "platform/memory.h"

namespace platform {

// The process heap already keeps freed blocks for reuse.
void KeepFreedMemoryForReuse() {}

}  // namespace platform
