// The plug-in host bound to the launcher's callers at start-up and
// released at exit.
#include "core/launch.h"
#include "plugins/host.h"
#include "state.h"
#include "store/outlets.h"

static int LaunchPluginEvent(ButtonInfo* item, int event, int ref, int flag) {
  return PluginItemEvent(item, event, ref, flag);
}

void StartPluginHost() {
  const SettingsState& s = g_App.Settings;
  for (int i = 0; i < s.PluginCount; i++) AddPlugin(s.Plugins[i], 0);
  // A plug-in that fails leaves the list and the next one takes its index.
  for (int i = 0; i < (int)(g_App.Plugins ? g_App.Plugins->List.size() : 0);)
    if (LoadPlugin(i)) i++;
  g_StoreOutlets.BroadcastPluginEvent = BroadcastPluginEvent;
  g_LaunchPlatform.PluginItemEvent = LaunchPluginEvent;
}

void StopPluginHost() {
  g_LaunchPlatform.PluginItemEvent = nullptr;
  g_StoreOutlets.BroadcastPluginEvent = nullptr;
  FreePluginProbeList();
  UnloadAllPlugins();
}
