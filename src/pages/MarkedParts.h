#pragma once

class CDownloadList;

// The parts (entries 1 to n-1) that exist and are marked downloaded. Also
// sets the list's IsAllDownloaded to whether all n-1 are: the pages' timers
// and their workers write the same value from the same marks.
int CountMarkedParts(CDownloadList& list);
