// The icon is an application indicator (the notification area of today's Linux desktops). Its
// library is loaded when the program starts, not linked, so the program builds and runs where it
// is missing; it then runs without an icon. GTK runs its own loop on a thread of its own, and the
// menu's choices reach the main loop through a pipe.
#include "platform/tray.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <future>
#include <memory>
#include <thread>

namespace platform {
namespace {

using GtkInitCheck = int (*)(int*, char***);
using GtkNewWidget = void* (*)();
using GtkNewLabelled = void* (*)(const char*);
using GtkAppend = void (*)(void*, void*);
using GtkShow = void (*)(void*);
using GtkMain = void (*)();
using GCallback = void (*)();
using GSignalConnect = unsigned long (*)(void*, const char*, GCallback, void*, void*, int);
using IndicatorNew = void* (*)(const char*, const char*, int);
using IndicatorSetStatus = void (*)(void*, int);
using IndicatorSetMenu = void (*)(void*, void*);
using IndicatorSetTitle = void (*)(void*, const char*);
using IndicatorSetSecondaryTarget = void (*)(void*, void*);

constexpr int kCategoryApplicationStatus = 0;
constexpr int kStatusActive = 1;
constexpr char kIconName[] = "accessories-text-editor";

struct IndicatorApi {
  GtkInitCheck initCheck = nullptr;
  GtkNewWidget menuNew = nullptr;
  GtkNewLabelled menuItemNew = nullptr;
  GtkNewWidget separatorNew = nullptr;
  GtkAppend menuShellAppend = nullptr;
  GtkShow showAll = nullptr;
  GtkMain runMain = nullptr;
  GSignalConnect signalConnect = nullptr;
  IndicatorNew indicatorNew = nullptr;
  IndicatorSetStatus setStatus = nullptr;
  IndicatorSetMenu setMenu = nullptr;
  IndicatorSetTitle setTitle = nullptr;
  IndicatorSetSecondaryTarget setSecondaryTarget = nullptr;  // missing in old versions
};

template <typename Function>
bool Resolve(void* library, const char* name, Function& function) {
  void* address = ::dlsym(library, name);
  if (address == nullptr) return false;
  function = reinterpret_cast<Function>(address);
  return true;
}

bool LoadIndicatorApi(IndicatorApi& api) {
  void* indicator = ::dlopen("libayatana-appindicator3.so.1", RTLD_NOW | RTLD_LOCAL);
  if (indicator == nullptr) indicator = ::dlopen("libappindicator3.so.1", RTLD_NOW | RTLD_LOCAL);
  if (indicator == nullptr) return false;
  // The indicator library brings GTK and GObject with it; dlsym on its handle finds them too.
  bool ok = Resolve(indicator, "gtk_init_check", api.initCheck) && Resolve(indicator, "gtk_menu_new", api.menuNew) &&
            Resolve(indicator, "gtk_menu_item_new_with_label", api.menuItemNew) &&
            Resolve(indicator, "gtk_separator_menu_item_new", api.separatorNew) &&
            Resolve(indicator, "gtk_menu_shell_append", api.menuShellAppend) &&
            Resolve(indicator, "gtk_widget_show_all", api.showAll) && Resolve(indicator, "gtk_main", api.runMain) &&
            Resolve(indicator, "g_signal_connect_data", api.signalConnect) &&
            Resolve(indicator, "app_indicator_new", api.indicatorNew) &&
            Resolve(indicator, "app_indicator_set_status", api.setStatus) &&
            Resolve(indicator, "app_indicator_set_menu", api.setMenu);
  if (!ok) return false;
  Resolve(indicator, "app_indicator_set_title", api.setTitle);
  Resolve(indicator, "app_indicator_set_secondary_activate_target", api.setSecondaryTarget);
  return true;
}

// One per menu item; lives as long as the process, like the GTK thread that uses it.
struct ItemTarget {
  int writeEnd;
  TrayCommand command;
};

void OnItemActivated(void*, void* data) {
  const auto* target = static_cast<const ItemTarget*>(data);
  const auto byte = static_cast<std::uint8_t>(target->command);
  // A full pipe drops the click; the user can click again.
  [[maybe_unused]] const ssize_t written = ::write(target->writeEnd, &byte, 1);
}

// Runs on the GTK thread for the rest of the process.
void RunIndicator(IndicatorApi api, TrayMenu menu, int writeEnd, std::promise<bool> shown) {
  if (api.initCheck(nullptr, nullptr) == 0) {
    shown.set_value(false);
    return;
  }
  void* gtkMenu = api.menuNew();
  void* defaultItem = nullptr;
  for (const auto& item : menu.items) {
    if (item.command == TrayCommand::Exit) api.menuShellAppend(gtkMenu, api.separatorNew());
    void* gtkItem = api.menuItemNew(item.label.c_str());
    auto* target = new ItemTarget{writeEnd, item.command};
    api.signalConnect(gtkItem, "activate", reinterpret_cast<GCallback>(&OnItemActivated), target, nullptr, 0);
    api.menuShellAppend(gtkMenu, gtkItem);
    if (item.command == TrayCommand::OpenCurrent) defaultItem = gtkItem;
  }
  api.showAll(gtkMenu);
  void* indicator = api.indicatorNew("ferncard", kIconName, kCategoryApplicationStatus);
  if (indicator == nullptr) {
    shown.set_value(false);
    return;
  }
  if (api.setTitle != nullptr) api.setTitle(indicator, menu.tip.c_str());
  api.setMenu(indicator, gtkMenu);
  // A middle click on the icon stands for the double click of other desktops: open.
  if (api.setSecondaryTarget != nullptr && defaultItem != nullptr) api.setSecondaryTarget(indicator, defaultItem);
  api.setStatus(indicator, kStatusActive);
  shown.set_value(true);
  api.runMain();
}

bool HasDisplay() {
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  return (x11 != nullptr && *x11 != '\0') || (wayland != nullptr && *wayland != '\0');
}

}  // namespace

Tray::~Tray() {
  if (handle >= 0) ::close(static_cast<int>(handle));
}

bool ShowTrayIcon(const TrayMenu& menu, Tray& tray) {
  if (!HasDisplay()) return false;
  IndicatorApi api;
  if (!LoadIndicatorApi(api)) return false;
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0) return false;
  std::promise<bool> shown;
  std::future<bool> result = shown.get_future();
  std::thread(RunIndicator, api, menu, pipeEnds[1], std::move(shown)).detach();
  if (!result.get()) {
    // The thread has ended; its end of the pipe is no longer used.
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return false;
  }
  tray.handle = pipeEnds[0];
  return true;
}

std::vector<TrayCommand> TakeTrayCommands(Tray& tray) {
  std::vector<TrayCommand> commands;
  if (tray.handle < 0) return commands;
  std::uint8_t bytes[64];
  while (true) {
    const ssize_t count = ::read(static_cast<int>(tray.handle), bytes, sizeof bytes);
    if (count <= 0) break;
    for (ssize_t i = 0; i < count; ++i) {
      if (bytes[i] >= 1 && bytes[i] <= 4) commands.push_back(static_cast<TrayCommand>(bytes[i]));
    }
  }
  return commands;
}

void RequestProgramEnd() {
  // The main loop ends on SIGTERM; sent to the process, it reaches the loop's signal descriptor.
  ::kill(::getpid(), SIGTERM);
}

}  // namespace platform
