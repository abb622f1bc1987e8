#include "common/desktopshell.h"

#include <exdisp.h>
#include <shldisp.h>
#include <shlwapi.h>
#include <shobjidl.h>

static const GUID kSidTopLevelBrowser = {0x4C96BE40, 0x915C, 0x11CF, {0x99, 0xD3, 0x00, 0xAA, 0x00, 0x4A, 0xE8, 0x37}};

static VARIANT TextVariant(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  if (text) {
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(text);
    if (!v.bstrVal) v.vt = VT_EMPTY;
  }
  return v;
}

HRESULT ShellExecuteViaDesktop(const wchar_t* file, const wchar_t* parameters, const wchar_t* directory,
                               const wchar_t* verb, int show) {
  if (!file) return E_INVALIDARG;
  HRESULT init = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
  IShellWindows* windows = nullptr;
  IDispatch* desktopDispatch = nullptr;
  IShellBrowser* browser = nullptr;
  IShellView* view = nullptr;
  IDispatch* background = nullptr;
  IShellFolderViewDual* folderView = nullptr;
  IDispatch* application = nullptr;
  IShellDispatch2* shell = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_LOCAL_SERVER, IID_IShellWindows, (void**)&windows);
  if (SUCCEEDED(hr)) {
    VARIANT empty;
    VariantInit(&empty);
    VARIANT root;
    VariantInit(&root);
    long hwnd = 0;
    hr = windows->FindWindowSW(&empty, &root, SWC_DESKTOP, &hwnd, SWFO_NEEDDISPATCH, &desktopDispatch);
    if (hr != S_OK || !desktopDispatch) hr = E_FAIL;
  }
  if (SUCCEEDED(hr)) hr = IUnknown_QueryService(desktopDispatch, kSidTopLevelBrowser, IID_IShellBrowser, (void**)&browser);
  if (SUCCEEDED(hr)) hr = browser->QueryActiveShellView(&view);
  if (SUCCEEDED(hr) && !view) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = view->GetItemObject(SVGIO_BACKGROUND, IID_IDispatch, (void**)&background);
  if (SUCCEEDED(hr)) hr = background->QueryInterface(IID_IShellFolderViewDual, (void**)&folderView);
  if (SUCCEEDED(hr)) hr = folderView->get_Application(&application);
  if (SUCCEEDED(hr) && !application) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = application->QueryInterface(IID_IShellDispatch2, (void**)&shell);
  if (SUCCEEDED(hr)) {
    BSTR name = SysAllocString(file);
    if (!name) {
      hr = E_OUTOFMEMORY;
    } else {
      VARIANT args = TextVariant(parameters), dir = TextVariant(directory), operation = TextVariant(verb);
      VARIANT showVar;
      VariantInit(&showVar);
      showVar.vt = VT_I4;
      showVar.lVal = show;
      hr = shell->ShellExecute(name, args, dir, operation, showVar);
      VariantClear(&operation);
      VariantClear(&dir);
      VariantClear(&args);
      SysFreeString(name);
    }
  }
  if (shell) shell->Release();
  if (application) application->Release();
  if (folderView) folderView->Release();
  if (background) background->Release();
  if (view) view->Release();
  if (browser) browser->Release();
  if (desktopDispatch) desktopDispatch->Release();
  if (windows) windows->Release();
  if (SUCCEEDED(init)) CoUninitialize();
  return hr;
}
