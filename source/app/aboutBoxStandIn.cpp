// Stand-in until the About box lands: the command and the strip's button are accepted and do nothing.
#include "app/aboutBox.h"

void appRunAboutBox(std::int16_t) {}
void appShowAbout(std::int16_t) {}
