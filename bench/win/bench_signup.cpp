// A sign-up program that ends as soon as it starts. Its 1 MiB of padding
// (a resource) is what makes it cost what a real one costs to stage and to
// load.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) { return 0; }
