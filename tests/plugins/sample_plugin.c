/* The test build's sample plug-in, built from the public header alone. It
   writes every event it receives, and the answers of the services it calls,
   as lines to "<its own path>.log". Variants by definition:
   SAMPLE_VERSION (PE_QUERY answer), SAMPLE_INIT_RESULT, SAMPLE_NO_EXPORT. */
#ifndef SAMPLE_NO_EXPORT
#define VN_PLUGIN_EXPORT
#endif
#include "vnplugin.h"

#include <stdarg.h>
#include <stdio.h>
#include <wchar.h>

#ifndef SAMPLE_VERSION
#define SAMPLE_VERSION VN_PLUGIN_VERSION
#endif
#ifndef SAMPLE_INIT_RESULT
#define SAMPLE_INIT_RESULT 1
#endif

static const PluginServices* s_svc;
static int s_index = -1;
static wchar_t s_log[MAX_PATH + 8];
static wchar_t s_caption[64] = L"Sample plug-in caption";

static void Note(const char* format, ...) {
  char line[1024];
  va_list args;
  va_start(args, format);
  int n = vsnprintf(line, sizeof line - 2, format, args);
  va_end(args);
  if (n < 0) return;
  if (n > (int)sizeof line - 3) n = (int)sizeof line - 3;
  line[n++] = '\r';
  line[n++] = '\n';
  /* A test reading the log meanwhile may hold it without write sharing. */
  HANDLE f = INVALID_HANDLE_VALUE;
  for (int tries = 0; tries < 400 && f == INVALID_HANDLE_VALUE; tries++) {
    f = CreateFileW(s_log, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_ALWAYS, 0, NULL);
    if (f == INVALID_HANDLE_VALUE && GetLastError() == ERROR_SHARING_VIOLATION) Sleep(5);
    else if (f == INVALID_HANDLE_VALUE) return;
  }
  if (f == INVALID_HANDLE_VALUE) return;
  DWORD written;
  WriteFile(f, line, (DWORD)n, &written, NULL);
  CloseHandle(f);
}

static void NoteText(const char* what, const wchar_t* text) {
  char utf8[600];
  if (!text) {
    Note("%s (null)", what);
    return;
  }
  if (!WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, NULL, NULL)) utf8[0] = 0;
  Note("%s %s", what, utf8);
}

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID unused) {
  (void)unused;
  if (reason == DLL_PROCESS_ATTACH) {
    DWORD n = GetModuleFileNameW(self, s_log, MAX_PATH);
    if (n && n < MAX_PATH) wcscat(s_log, L".log");
  }
  return TRUE;
}

/* What the services answer at PE_INIT, and the data the plug-in keeps:
   a start counter and a text holding '[' in the file. */
static void CallServicesAtInit(void) {
  if (!s_svc) return;
  Note("svc version %08lx", s_svc->GetLauncherVersion ? (unsigned long)s_svc->GetLauncherVersion() : 0ul);
  HMODULE launcher = NULL;
  HWND main = s_svc->GetMainWindow ? s_svc->GetMainWindow(&launcher) : NULL;
  Note("svc window %d module %d", main != NULL && IsWindow(main), launcher == GetModuleHandleW(NULL));
  Note("svc pages %d current %d", s_svc->GetPageCount(), s_svc->GetCurrentPage());
  NoteText("svc datafolder", s_svc->GetDataFolder());
  NoteText("svc skins", s_svc->GetSkinsFolder());
  Note("svc slot07 %d slot51 %d", s_svc->Reserved0[0] != NULL, s_svc->Reserved5[0] != NULL);
  int starts = s_svc->GetPluginIntValue(s_index, L"Counters", L"Starts", 0);
  s_svc->SetPluginIntValue(s_index, L"Counters", L"Starts", starts + 1);
  s_svc->SetPluginStrValue(s_index, NULL, L"Name", L"Sample [one]");
  Note("svc starts %d", starts + 1);
  Note("svc badkey %d", s_svc->SetPluginIntValue(s_index, L"Counters", L"a=b", 1));
  Note("svc wrongindex %d", s_svc->GetPluginIntValue(s_index + 100, NULL, L"Name", -7));
}

#ifdef SAMPLE_NO_EXPORT
/* No entry point under the expected name. */
__declspec(dllexport) int VNAPI SomethingElse(UINT event, INT_PTR arg1, INT_PTR arg2);
int VNAPI SomethingElse(UINT event, INT_PTR arg1, INT_PTR arg2) {
#else
int VNAPI VnPluginEventHandler(UINT event, INT_PTR arg1, INT_PTR arg2) {
#endif
  Note("event %x %ld %ld", event, (long)(event == PE_INIT ? arg1 : (event == PE_QUERY ? 0 : arg1)),
       (long)(event == PE_INIT || event == PE_QUERY ? 0 : arg2));
  switch (event) {
    case PE_QUERY: {
      wchar_t* name = (wchar_t*)arg1;
      /* Fills the whole buffer: the host must not read past it. */
      for (int i = 0; i < (int)arg2; i++) name[i] = L'S';
      return (int)SAMPLE_VERSION;
    }
    case PE_INIT:
      s_index = (int)arg1;
      s_svc = (const PluginServices*)arg2;
      if (SAMPLE_INIT_RESULT) CallServicesAtInit();
      return SAMPLE_INIT_RESULT;
    case PE_RENUMBER:
      s_index = (int)arg1;
      return 1;
    case PE_ITEMLAUNCH:
      return 1;
    case PE_ITEMEXECUTE: {
      /* A test may hold the call open to unload the plug-in meanwhile. */
      HANDLE inside = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"VnSampleInsideExecute");
      if (inside) {
        SetEvent(inside);
        CloseHandle(inside);
        Sleep(400);
      }
      Note("executed %ld", (long)arg1);
      return 1;
    }
    case PN_SHOWN:
      if (s_svc && s_svc->SetCaptionText) Note("svc caption %d", s_svc->SetCaptionText(s_caption, 0));
      return 1;
    default:
      return 1;
  }
}
