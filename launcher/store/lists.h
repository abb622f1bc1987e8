// Pages and child menus as wholes: adding, deleting and moving them, their
// default names, and emptying the store.
#pragma once

wchar_t* MakeDefaultListName(int n, int subMenu);
int ResizePageArray(int n);
// Appends a page; -1 when refused (100 pages: message 663) or out of memory.
int AddPage(const wchar_t* name);
int DeletePage();
void MovePage(int to);
int DeleteSubMenu(int n);
// Frees every page, child menu, button and reference table.
void ClearItemStore();
