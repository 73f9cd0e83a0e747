#pragma once
// Opening an address in a browser window.
#include <functional>
#include <string>

namespace platform {

// Opens the address in a chromeless application window of a Chromium-family browser when one is
// installed, else with the system's default handler for addresses. Never blocks on the browser.
// notShown runs, before the return or later on a thread of its own, when no window can be shown:
// on Linux without a graphical session (neither DISPLAY nor WAYLAND_DISPLAY set), when no browser
// starts, or when the one started ends with an error within two seconds. On Windows it is never
// called; an address that no handler takes is written to standard error there.
void OpenAddressInBrowser(const std::string& address, std::function<void()> notShown);

}  // namespace platform
