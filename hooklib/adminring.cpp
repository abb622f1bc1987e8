#include "hooklib/adminring.h"
#include <sddl.h>
#include <string.h>

static const DWORD kMutexWaitMs = 100;
static const DWORD kMutexAccess = SYNCHRONIZE | MUTEX_MODIFY_STATE;

// Per process: a handle is only valid in the process that opened it.
static HANDLE volatile s_adminMutex;

static HANDLE CreateAdminMutex()
{
  // The elevated helper and the de-elevated launcher share this mutex:
  // whoever creates it lets everyone at medium integrity wait on and release it.
  SECURITY_ATTRIBUTES sa = {sizeof(sa), NULL, FALSE};
  PSECURITY_DESCRIPTOR sd = NULL;
  if (ConvertStringSecurityDescriptorToSecurityDescriptorW(
          L"D:(A;;0x100001;;;WD)(A;;GA;;;SY)(A;;GA;;;BA)S:(ML;;NW;;;ME)", SDDL_REVISION_1, &sd, NULL))
    sa.lpSecurityDescriptor = sd;
  HANDLE h = CreateMutexExW(&sa, VN_ADMINREQ_MUTEX, 0, kMutexAccess);
  if (!h)
    h = OpenMutexW(kMutexAccess, FALSE, VN_ADMINREQ_MUTEX);
  if (sd)
    LocalFree(sd);
  return h;
}

HANDLE AdminMutexHandle()
{
  HANDLE h = s_adminMutex;
  if (h)
    return h;
  h = CreateAdminMutex();
  if (!h)
    return NULL;
  HANDLE prev = InterlockedCompareExchangePointer((PVOID volatile*)&s_adminMutex, h, NULL);
  if (prev) {
    CloseHandle(h);
    return prev;
  }
  return h;
}

void CloseAdminMutex()
{
  HANDLE h = InterlockedExchangePointer((PVOID volatile*)&s_adminMutex, NULL);
  if (h)
    CloseHandle(h);
}

// Takes the mutex and returns its handle; NULL on a time-out or when there
// is no mutex.
static HANDLE LockAdminRing()
{
  HANDLE h = AdminMutexHandle();
  if (!h)
    return NULL;
  // An abandoned mutex is ours all the same.
  DWORD r = WaitForSingleObject(h, kMutexWaitMs);
  return r == WAIT_OBJECT_0 || r == WAIT_ABANDONED ? h : NULL;
}

// Every process mapping the library can write the section: indexes that are
// out of range empty the ring instead of addressing memory past it.
static void CheckRingIndexes(SharedHookData* d)
{
  if (d->adminWriteIndex < 0 || d->adminWriteIndex >= kAdminRingSize || d->adminCount < 0 ||
      d->adminCount > kAdminRingSize) {
    memset(d->adminRing, 0, sizeof(d->adminRing));
    d->adminWriteIndex = 0;
    d->adminCount = 0;
  }
}

static bool IsPriorityClass(INT_PTR c)
{
  switch (c) {
  case IDLE_PRIORITY_CLASS:
  case BELOW_NORMAL_PRIORITY_CLASS:
  case NORMAL_PRIORITY_CLASS:
  case ABOVE_NORMAL_PRIORITY_CLASS:
  case HIGH_PRIORITY_CLASS:
  case REALTIME_PRIORITY_CLASS:
    return true;
  }
  return false;
}

bool IsValidAdminRequest(int kind, INT_PTR a, INT_PTR b)
{
  switch (kind) {
  case ADMINREQ_MOUSEHOOK:
  case ADMINREQ_KEYBOARDHOOK:
    return a == 0 || a == 1;
  case ADMINREQ_PRIORITY:
    return IsPriorityClass(a);
  case ADMINREQ_WINDOWOP:
    return a != 0 && b >= 0 && b <= kAdminWindowOpLast;
  }
  return false;
}

int SetAdminRequest(SharedHookData* d, int kind, INT_PTR a, INT_PTR b)
{
  HANDLE lock = LockAdminRing();
  if (!lock)
    return d->adminWriteIndex;
  CheckRingIndexes(d);
  if (IsValidAdminRequest(kind, a, b) && d->adminCount < kAdminRingSize) {
    AdminRequest& slot = d->adminRing[d->adminWriteIndex];
    slot.kind = kind;
    slot.a = a;
    slot.b = b;
    d->adminWriteIndex = d->adminWriteIndex == kAdminRingSize - 1 ? 0 : d->adminWriteIndex + 1;
    d->adminCount++;
  }
  int index = d->adminWriteIndex;
  ReleaseMutex(lock);
  return index;
}

BOOL GetAdminRequest(SharedHookData* d, int* kind, INT_PTR* a, INT_PTR* b)
{
  if (!kind || !a || !b)
    return FALSE;
  HANDLE lock = LockAdminRing();
  if (!lock)
    return FALSE;
  CheckRingIndexes(d);
  BOOL taken = FALSE;
  *kind = 0;
  *a = 0;
  *b = 0;
  while (d->adminCount > 0 && !taken) {
    int oldest = (d->adminWriteIndex - d->adminCount + kAdminRingSize) % kAdminRingSize;
    AdminRequest r = d->adminRing[oldest];
    memset(&d->adminRing[oldest], 0, sizeof(AdminRequest));
    d->adminCount--;
    if (IsValidAdminRequest(r.kind, r.a, r.b)) {
      *kind = r.kind;
      *a = r.a;
      *b = r.b;
      taken = TRUE;
    }
  }
  ReleaseMutex(lock);
  return taken;
}

BOOL ClearAdminRequest(SharedHookData* d, int index)
{
  HANDLE lock = LockAdminRing();
  if (!lock)
    return FALSE;
  if (index >= 0 && index < kAdminRingSize)
    memset(&d->adminRing[index], 0, sizeof(AdminRequest));
  ReleaseMutex(lock);
  return TRUE;
}
