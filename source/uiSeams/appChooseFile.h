// The file chooser of the application shell: runs the open or save dialog for a file type and fills
// the caller's FileSpec with the chosen path and name. Returns 1 when a file was chosen; any other
// value means no file (5 when no FileSpec is given).
//
// Until the shell installs its dialog routine (appChooseFileSetRoutine), the chooser answers from a
// script: each call takes the next queued answer (result and path); with the queue empty it answers 0.
//
// A chosen path holding '?' or '*' (what the system's narrow-character dialog hands over for letters
// outside the code page) cannot be opened or written: the user is told so and the answer is 0.
#pragma once
#include <cstdint>

struct FileSpec;

enum { appDialogOpen = 0, appDialogSave = 1 };

int appChooseFile(int dialogKind, FileSpec* out, int fileType);

typedef int (*AppChooseFileFn)(int dialogKind, FileSpec* out, int fileType);
void appChooseFileSetRoutine(AppChooseFileFn routine);  // null: the script again

// The answer of the last call (either way), -1 before any or after a reset: lets a caller tell a
// cancelled dialog from a file that was chosen but could not be used.
int appChooseFileLastResult();
void appChooseFileResetLastResult();
const char* appChooseFileLastPath();  // the path of the last file chosen, "" when none

// Script: queued answers in order; the path is copied into the FileSpec when the result is 1.
void appChooseFileQueue(int result, const char* path);
void appChooseFileClearQueue();
int appChooseFileCalls();     // calls answered by the script since start
int appChooseFileLastKind();  // dialog kind of the last scripted call, -1 before any
