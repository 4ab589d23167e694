// Stand-in until the output set-up dialog lands: the Setup popup's "Output Setup..." does nothing.
#include "app/outSetup.h"

void outSetupOpen(std::uint16_t, Engine*) {}
