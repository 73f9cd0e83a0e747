#pragma once
// Opening an address in a browser window.
#include <string>

namespace platform {

// Opens the address in a chromeless application window of a Chromium-family browser when one is
// installed, else with the system's default handler for addresses. As a last resort the address
// is printed on standard error, so the user can still copy it into a browser. Never blocks on the
// browser and reports nothing.
void OpenAddressInBrowser(const std::string& address);

}  // namespace platform
