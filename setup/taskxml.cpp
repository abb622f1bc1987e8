#include "setup/taskxml.h"

#include <shlwapi.h>
#include <wchar.h>

static const wchar_t kHead[] =
    L"<Task version=\"1.2\" xmlns=\"http://schemas.microsoft.com/windows/2004/02/mit/task\">"
    L"<RegistrationInfo><Author>Dravensko</Author></RegistrationInfo>"
    L"<Principals><Principal id=\"Author\"><LogonType>InteractiveToken</LogonType>"
    L"<RunLevel>HighestAvailable</RunLevel></Principal></Principals>"
    L"<Triggers><LogonTrigger><Enabled>true</Enabled></LogonTrigger></Triggers>"
    L"<Actions Context=\"Author\"><Exec><Command>\"";
static const wchar_t kMiddle[] = L"\"</Command><Arguments>";
static const wchar_t kTail[] =
    L"</Arguments></Exec></Actions>"
    L"<Settings><RunOnlyIfIdle>false</RunOnlyIfIdle>"
    L"<IdleSettings><StopOnIdleEnd>false</StopOnIdleEnd></IdleSettings>"
    L"<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries>"
    L"<StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>"
    L"<WakeToRun>false</WakeToRun>"
    L"<RunOnlyIfNetworkAvailable>false</RunOnlyIfNetworkAvailable>"
    L"<AllowStartOnDemand>true</AllowStartOnDemand>"
    L"<StartWhenAvailable>true</StartWhenAvailable>"
    L"<RestartOnFailure><Interval>PT1M</Interval><Count>10</Count></RestartOnFailure>"
    L"<ExecutionTimeLimit>PT0S</ExecutionTimeLimit>"
    L"<AllowHardTerminate>false</AllowHardTerminate>"
    L"<Enabled>true</Enabled><Hidden>false</Hidden><Priority>2</Priority></Settings></Task>";

// Appends text escaped for XML element content at out (room enough).
static wchar_t* AppendEscaped(wchar_t* out, const wchar_t* text) {
  for (; *text; ++text) {
    const wchar_t* e = *text == L'&' ? L"&amp;" : *text == L'<' ? L"&lt;" : *text == L'>' ? L"&gt;"
                     : *text == L'"' ? L"&quot;" : nullptr;
    if (e) {
      size_t n = wcslen(e);
      wmemcpy(out, e, n);
      out += n;
    } else {
      *out++ = *text;
    }
  }
  return out;
}

wchar_t* BuildLogonTaskXml(const wchar_t* installFolder, const wchar_t* options) {
  size_t room = wcslen(kHead) + wcslen(kMiddle) + wcslen(kTail) +
                6 * (wcslen(installFolder) + wcslen(L"VnAdmin.exe") + wcslen(options)) + 1;
  wchar_t* xml = (wchar_t*)HeapAlloc(GetProcessHeap(), 0, room * sizeof(wchar_t));
  if (!xml) return nullptr;
  wchar_t* p = xml;
  wmemcpy(p, kHead, wcslen(kHead));
  p += wcslen(kHead);
  p = AppendEscaped(p, installFolder);
  p = AppendEscaped(p, L"VnAdmin.exe");
  wmemcpy(p, kMiddle, wcslen(kMiddle));
  p += wcslen(kMiddle);
  p = AppendEscaped(p, options);
  wcscpy(p, kTail);
  return xml;
}

BOOL ReadTaskXmlArguments(const wchar_t* xml, wchar_t* out) {
  out[0] = 0;
  const wchar_t* actions = StrStrIW(xml, L"<Actions");
  const wchar_t* exec = actions ? StrStrIW(actions, L"<Exec") : nullptr;
  if (!exec) return FALSE;
  const wchar_t* args = StrStrIW(exec, L"<Arguments>");
  const wchar_t* end = args ? StrStrIW(args, L"</Arguments>") : nullptr;
  if (!end) return TRUE;
  size_t n = 0;
  for (const wchar_t* p = args + 11; p < end && n < 259;) {
    static const struct { const wchar_t* text; wchar_t c; } kEntities[] = {
        {L"&amp;", L'&'}, {L"&lt;", L'<'}, {L"&gt;", L'>'}, {L"&quot;", L'"'}, {L"&apos;", L'\''}};
    wchar_t c = *p;
    size_t step = 1;
    for (const auto& e : kEntities) {
      size_t len = wcslen(e.text);
      if (!wcsncmp(p, e.text, len)) {
        c = e.c;
        step = len;
        break;
      }
    }
    out[n++] = c;
    p += step;
  }
  out[n] = 0;
  return TRUE;
}
