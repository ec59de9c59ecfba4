#include <windows.h>

// The baseline of the start-up benchmark: a GUI program that starts and
// ends, so the figure holds only the cost of making a process.
int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
