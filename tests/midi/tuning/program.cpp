// The tuning editor tests run inside the real program (its main window, pages and menus).
#include "app/inProgram.cpp"

// The program's module, as Morvane has it.
SynthAppModule g_programModule;

int main(int argc, char** argv) { return runTestsOnceWindowOneTakesInput(argc, argv); }
