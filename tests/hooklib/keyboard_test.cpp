#include "hooklib/keyboard.h"
#include "hooklib/settings.h"
#include "hooklib/fake_env.h"
#include <gtest/gtest.h>

namespace {

const HWND kTarget = (HWND)(INT_PTR)0x4242;

// One key event of a scenario: 'd' down, 'u' up, 'w' wait vk * 10 ms,
// 's' set the suspend flags to vk.
struct Step {
  char op;
  int vk;
  bool swallow;  // expected for 'd' and 'u'
};

struct Scenario {
  const char* name;
  std::vector<WORD> rows;
  bool lowLevel;
  std::vector<Step> steps;
  std::vector<int> posted;    // WMA_HOTKEY rows, in order
  std::vector<int> injected;  // key-downs replayed, in order
  bool injectFails;
};

// Feeds one scenario through MatchHotKey the way the hooks see the keys: a
// key that is passed on reaches the system and reads as down until its up.
void RunScenario(const Scenario& s)
{
  SCOPED_TRACE(s.name);
  FakeHookEnv env;
  env.injectFails = s.injectFails;
  auto d = NewSharedHookData();
  d->keyboardTarget = kTarget;
  d->hookKinds = s.lowLevel ? (UINT32)HOOKKIND_KEYBOARD_LL : 0u;
  std::vector<HotKeyEntry> rows;
  for (WORD r : s.rows)
    rows.push_back({r, 0, 0});
  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)(rows.size() - 1), rows.data());

  for (size_t i = 0; i < s.steps.size(); i++) {
    const Step& st = s.steps[i];
    SCOPED_TRACE(testing::Message() << "step " << i);
    if (st.op == 'w') {
      env.tick += st.vk * 10;
      continue;
    }
    if (st.op == 's') {
      d->suspendFlags = st.vk;
      continue;
    }
    bool down = st.op == 'd';
    BOOL swallow = MatchHotKey(d.get(), (BYTE)st.vk, env.tick, down);
    EXPECT_EQ(st.swallow, swallow != FALSE);
    if (!swallow)
      env.SetKey((BYTE)st.vk, down);
    env.tick += 30;
  }

  std::vector<int> posted;
  for (const PostedMessage& m : env.posted) {
    EXPECT_EQ(kTarget, m.wnd);
    EXPECT_EQ((UINT)WMA_HOTKEY, m.msg);
    EXPECT_EQ(0, m.lParam);
    posted.push_back((int)m.wParam);
  }
  EXPECT_EQ(s.posted, posted);
  std::vector<int> injected;
  for (const INPUT& in : env.injected) {
    EXPECT_EQ((DWORD)INPUT_KEYBOARD, in.type);
    EXPECT_EQ(0u, in.ki.dwFlags);
    EXPECT_EQ((ULONG_PTR)INJECT_SIGNATURE, in.ki.dwExtraInfo);
    injected.push_back(in.ki.wVk);
  }
  EXPECT_EQ(s.injected, injected);
}

const int LCTRL = VK_LCONTROL, LALT = VK_LMENU, LWIN = VK_LWIN, RWIN = VK_RWIN;

TEST(MatchHotKey, Scenarios)
{
  const Scenario scenarios[] = {
      {"ctrl+alt+k posts once per press, not on auto-repeat",
       {0x64B},
       true,
       {{'d', LCTRL, false}, {'d', LALT, false}, {'d', 'K', true}, {'d', 'K', false},
        {'d', 'K', false}, {'u', 'K', false}, {'d', 'K', true}, {'u', 'K', false},
        {'u', LALT, false}, {'u', LCTRL, false}},
       {0, 0},
       {}},
      {"a key without the row's modifiers passes",
       {0x64B},
       true,
       {{'d', LCTRL, false}, {'d', 'K', false}, {'u', 'K', false}, {'u', LCTRL, false}},
       {},
       {}},
      {"win alone answers at key-up under the low-level hook",
       {0x85B},
       true,
       {{'d', LWIN, true}, {'u', LWIN, false}},
       {0},
       {}},
      {"right win alone",
       {0x85C},
       true,
       {{'d', RWIN, true}, {'u', RWIN, false}},
       {0},
       {}},
      {"win then e replays both key-downs and posts nothing",
       {0x85B},
       true,
       {{'d', LWIN, true}, {'d', 'E', true}, {'u', 'E', false}, {'u', LWIN, false}},
       {},
       {LWIN, 'E'}},
      {"win alone with the ordinary hook posts at key-down",
       {0x85B},
       false,
       {{'d', LWIN, true}, {'u', LWIN, false}},
       {0},
       {}},
      {"ctrl alone answers at its key-up",
       {0x200},
       true,
       {{'d', LCTRL, true}, {'u', LCTRL, false}},
       {0},
       {}},
      {"a held-back ctrl counts as held for the next key",
       {0x200, 0x24B},
       true,
       {{'d', LCTRL, true}, {'d', 'K', true}, {'u', 'K', false}, {'u', LCTRL, false}},
       {1},
       {}},
      {"a held-back win counts as held for the next modifier",
       {0x85B, 0x95B},
       true,
       {{'d', LWIN, true}, {'d', VK_LSHIFT, true}, {'u', VK_LSHIFT, false}, {'u', LWIN, false}},
       {1},
       {}},
      {"auto-repeat of a held-back win key hands it to the system",
       {0x85B},
       true,
       {{'d', LWIN, true}, {'d', LWIN, false}, {'u', LWIN, false}},
       {},
       {}},
      {"second press within 500 ms fires the multi-press row, a third fires nothing",
       {0x241, 0x1241},
       true,
       {{'d', LCTRL, false}, {'d', 'A', true}, {'u', 'A', false}, {'w', 30, false},
        {'d', 'A', true}, {'u', 'A', false}, {'d', 'A', false}, {'u', 'A', false}},
       {0, 1},
       {}},
      {"second press after 600 ms starts again",
       {0x241, 0x1241},
       true,
       {{'d', LCTRL, false}, {'d', 'A', true}, {'u', 'A', false}, {'w', 60, false},
        {'d', 'A', true}},
       {0, 0},
       {}},
      {"another key between presses ends the sequence",
       {0x241, 0x1241},
       true,
       {{'d', LCTRL, false}, {'d', 'A', true}, {'u', 'A', false}, {'d', 'B', false},
        {'u', 'B', false}, {'d', 'A', true}},
       {0, 0},
       {}},
      {"a multi-press row alone needs the earlier press",
       {0x1241},
       true,
       {{'d', LCTRL, false}, {'d', 'A', false}, {'u', 'A', false}, {'d', 'A', true}},
       {0},
       {}},
      {"every row with the code fires",
       {0x64B, 0x241, 0x64B},
       true,
       {{'d', LCTRL, false}, {'d', LALT, false}, {'d', 'K', true}},
       {0, 2},
       {}},
      {"suspended hot keys are neither matched nor swallowed",
       {0x64B},
       true,
       {{'s', HOOKSUSPEND_HOTKEYS, false}, {'d', LCTRL, false}, {'d', LALT, false},
        {'d', 'K', false}},
       {},
       {}},
      {"a deferred hot key still posts at key-up after suspension",
       {0x85B},
       true,
       {{'d', LWIN, true}, {'s', HOOKSUSPEND_HOTKEYS, false}, {'u', LWIN, false}},
       {0},
       {}},
      {"other suspend bits leave hot keys alone",
       {0x64B},
       true,
       {{'s', HOOKSUSPEND_MOUSEACTIONS | HOOKSUSPEND_CIRCLES, false}, {'d', LCTRL, false},
        {'d', LALT, false}, {'d', 'K', true}},
       {0},
       {}},
      {"key 0xF0 matches on every key-down, repeats too",
       {0x0F0},
       true,
       {{'d', 0xF0, true}, {'d', 0xF0, true}},
       {0, 0},
       {}},
      {"a replay that cannot be sent passes the key on",
       {0x85B},
       true,
       {{'d', LWIN, true}, {'d', 'E', false}},
       {},
       {},
       true},
  };
  for (const Scenario& s : scenarios)
    RunScenario(s);
}

TEST(MatchHotKey, RowsPastTheLastAreNotCompared)
{
  FakeHookEnv env;
  auto d = NewSharedHookData();
  d->keyboardTarget = kTarget;
  HotKeyEntry rows[2] = {{0x241, 0, 0}, {0x242, 0, 0}};
  ApplyDllData(d.get(), DLLDATA_HOTKEYS, (void*)(INT_PTR)0, rows);
  env.SetKey(VK_LCONTROL, true);
  EXPECT_FALSE(MatchHotKey(d.get(), 'B', env.tick, TRUE));
  EXPECT_TRUE(MatchHotKey(d.get(), 'A', env.tick, TRUE));
  ASSERT_EQ(1u, env.posted.size());
  EXPECT_EQ(0u, env.posted[0].wParam);
}

TEST(BuildHotKeyCode, ModifiersAndKeyParts)
{
  struct Case {
    BYTE vk;
    std::vector<BYTE> held;
    BYTE pending;
    WORD code;
  } cases[] = {
      {'K', {VK_LCONTROL, VK_LMENU}, 0, 0x64B},
      {'K', {VK_RSHIFT}, 0, 0x14B},
      {VK_LCONTROL, {}, 0, 0x200},
      {VK_RMENU, {}, 0, 0x400},
      {VK_LSHIFT, {VK_LWIN}, 0, 0x95B},
      {VK_LSHIFT, {VK_RWIN}, 0, 0x95C},
      {VK_LSHIFT, {}, VK_RWIN, 0x95C},
      {VK_LWIN, {}, 0, 0x85B},
      {'E', {}, VK_LWIN, 0x845},
      {'E', {}, VK_LSHIFT, 0x145},
      {'E', {}, VK_RCONTROL, 0x245},
      {'E', {}, VK_LMENU, 0x445},
      {0, {}, 0, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "vk " << (int)c.vk << " pending " << (int)c.pending);
    FakeHookEnv env;
    for (BYTE k : c.held)
      env.SetKey(k, true);
    auto d = NewSharedHookData();
    d->pendingKey = c.pending;
    EXPECT_EQ(c.code, BuildHotKeyCode(d.get(), c.vk));
  }
}

}  // namespace
