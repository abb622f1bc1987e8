// Core input tests: a small store (pages with buttons on a 4 x 3 grid) and
// the launches, hover and menu calls recorded instead of made.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/commands.h"
#include "core/eventlists.h"
#include "core/input.h"
#include "core/menucmd.h"
#include "state.h"
#include "store/grid.h"
#include "store/items.h"
#include "store/lists.h"
#include "store/outlets.h"

struct InputLog {
  std::vector<std::string> Launches;  // "name flags"
  std::vector<int> Hover;
  int Options = 0;                    // the options dialog was asked for
  int LaunchAt(const char* name) const {
    for (size_t i = 0; i < Launches.size(); ++i)
      if (Launches[i].rfind(std::string(name) + " ", 0) == 0) return (int)i;
    return -1;
  }
};
extern InputLog g_InputLog;

class InputTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // n pages P1..Pn on a grid of 4 x 3.
  void MakePages(int n);
  ButtonInfo* Add(int page, const char* name, int column, int row, UINT type = 1);
  ItemStore& S() { return g_App.Store; }

  AppState* saved_ = nullptr;
  StoreOutlets savedStore_;
  InputOutlets savedInput_;
  MenuEntryPoints savedMenu_;
  SystemSeams savedSystem_;
};
