// Large models touch hundreds of megabytes. With 4 KB pages every first
// touch is a page fault, and on a virtual machine a fault costs several
// microseconds: a third of an OBJ import. glibc backs its heap with
// transparent huge pages when its tunable glibc.malloc.hugetlb says so, and
// reads that only at start-up, so the program starts itself again once with
// it set, and then keeps large blocks and other threads' blocks in that
// heap too. The caller's environment is put back after that second start:
// programs started from here see the variables as they were.
#pragma once

namespace kvhost {

// Call first thing in main. Returns only in the process that goes on (the
// same one when nothing needs doing or the start fails). Nothing is done
// where the system gives huge pages only on request from no one (never) or
// to everyone (always), or when KORVANE_HUGE_PAGES=0.
void StartWithHugePages(char** argv);

}  // namespace kvhost
