// The close requests of MorvaneClose.exe (run.sh's Ctrl+C): a window message registered under
// closeRequestName, sent to Morvane's main window with the request as its wParam. Morvane answers each
// with closeAnswerKnown, how far a close has come, whether Morvane still starts and, but for
// closeRequestAsk, what a close without asking would leave unsaved.
#pragma once

constexpr char closeRequestName[] = "Morvane close request";
// Once a close leaves, its answer of that moment stays readable until Morvane ends, also after the main
// window is gone: the leaving mark (closeLeavingMark.h).

enum CloseRequest : unsigned {
  closeRequestQuery = 0,   // the state alone
  closeRequestAsk = 1,     // close as the close box does, asking about what is unsaved
  closeRequestUnasked = 2  // close without asking: what is unsaved is lost, the settings are saved
};

enum CloseAnswer : unsigned {
  closeStateMask = 0x3,
  closeStateIdle = 0,       // no close under way (one asked for while a dialog holds the window waits)
  closeStateAsked = 1,      // a close under way: its questions not answered yet
  closeStateCancelled = 2,  // the last close asked for was answered Cancel: Morvane keeps running
  closeStateLeaving = 3,    // the questions answered, the settings saved: Morvane ends
  closeLosesBank = 0x4,     // the bank differs from its file
  closeLosesNewBank = 0x8,  // the bank differs and has no file
  closeLosesEdits = 0x10,   // the playing sound has edits not stored into its preset
  closeStarting = 0x20,     // Morvane is starting: no close begins until its start is done, when the
                            // requester asks again (its dialogs meanwhile, the splash among them, are
                            // none of the close's)
  closeAnswerKnown = 0x100  // set in every answer (a window that does not know the message answers 0)
};
