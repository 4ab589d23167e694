// The build compiles only the message box of controls/ into the sound core; until it takes the popup
// menus and the file chooser as well, they are compiled here.
#include "../controls/popupMenu_posix.cpp"
#include "../controls/appChooseFile.cpp"
