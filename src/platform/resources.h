#pragma once
// Files compiled into the program (the web client), looked up by their integer identifier.
#include <string_view>

namespace platform {

// The bytes of the embedded resource, or a view with a null data pointer when the program has
// no resource of that identifier. (Not named FindResource: windows.h defines that as a macro.)
std::string_view FindEmbeddedResource(int id);

}  // namespace platform
