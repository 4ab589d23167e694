// What a start that fails says on the error output: one line, written at once, naming the step that
// failed ("Morvane could not start: its main window could not be created (error 58844)."), beside the
// step's message box, which a virtual display shows to nobody (and which cannot show at all where the
// start failed for want of a usable desktop). A start says its first failure only.
#pragma once

// The line of a failed step; `what` names it ("its sound engine could not be made").
void appStartFailed(const char* what);
// From the module's start to the end of the application's start: the framework's own failures and
// the libraries' fatal errors (which end the process at once) say their line too.
void appStartReportBegin();
void appStartReportEnd();
