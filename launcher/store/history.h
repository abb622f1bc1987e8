// Packed item references, the history of launched buttons with its
// exclusions, the model-busy flag and the trigger-assignment snapshot.
#pragma once
#include "store/items.h"

// ItemRef: (list + 1) << 16 | index; lists 0xFFFE and 0xFFFF kept raw.
int MakeItemRef(int list, int index);
int ItemRefList(int ref);
int ItemRefIndex(int ref);

// Model busy (RS_HISTORY_BUSY): readers wait for it to clear; writers take it
// with an interlocked test-and-set. Both give up after 3000 ms.
int WaitModelIdle();
int BeginModelBusy();
void EndModelBusy();

int AddHistoryEntry(ButtonInfo* button, int option, int noRecord);
int PruneHistory();
void RedrawHistoryButtons();
int IsHistoryExcluded(ButtonInfo* button);
int ResizeHistory(int n);
int AddHistoryExclusion(int ref);
int SnapshotAssignments(int op);
void FreeAssignmentSnapshot();
