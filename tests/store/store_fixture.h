// Store tests: a fixture that starts every case from an empty store with
// recording outlets, and checks the store's invariants after every case.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "state.h"
#include "store/items.h"

// What the store called outside itself, in order ("SavePages", "Msg 664: Up
// to 1000 items can be registered per page.", "DllData 2 3", ...).
struct OutletLog {
  std::vector<std::string> Calls;
  int MessageAnswer = IDOK;
  int FailAfter = -1;  // allocations allowed before one fails (-1 never)
  std::vector<ButtonInfo*> WatchRemoved;
  int Count(const std::string& prefix) const;
  bool Has(const std::string& prefix) const { return Count(prefix) > 0; }
  std::string Messages() const;
};
extern OutletLog g_Log;

// Everything wrong with the store, one line each; empty when sound.
std::string CheckStoreInvariants();

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // n pages named P1..Pn.
  void MakePages(int n);
  ButtonInfo* Add(int list, const char* name, int column = 0, int row = 0, UINT type = 1);
  ButtonInfo* AddMenu(int list, const char* name);  // a child-menu button
  int MenuOf(ButtonInfo* b) const { return LIST_SUBMENU | b->SubMenuIdx; }
  ItemStore& S() { return g_App.Store; }

 private:
  int (*savedMessageBox_)(HWND, int, const wchar_t*, const wchar_t*, UINT) = nullptr;
};

std::wstring Wide(const char* text);
std::string Narrow(const wchar_t* text);
