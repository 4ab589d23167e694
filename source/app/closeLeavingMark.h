// The leaving mark: once a close leaves (its settings written), Morvane holds a page-file section named
// after its process id until it ends, holding its close-request answer of that moment (closeStateLeaving
// and what it leaves unsaved, closeRequest.h). The requester reads it also after the main window is
// gone. Morvane writes it; MorvaneClose and the tests read it.
#pragma once
#include <windows.h>

constexpr char closeLeavingFormat[] = "Morvane leaving %lu";

// Makes this process's mark (once: a later call keeps the first answer) and keeps it until the process
// ends. Answers whether the mark exists.
bool closeLeavingMarkWrite(unsigned answer);
// The answer in the mark of process `pid`: 0 when it holds none (it has not left, or does not run).
unsigned closeLeavingMarkRead(DWORD pid);
