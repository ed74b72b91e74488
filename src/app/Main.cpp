// Quillpad's entry point and its one application object.
#include <windows.h>

#include "app/Application.h"
#include "app/Quillpad.h"

namespace {
Application theApp("Quillpad", "Quillpad (Tamber)", "6546e6ed-0ca9-4fe0-9a1a-b44c6eab00cb",
                   [] { return std::unique_ptr<FrameWindow>(new Quillpad); });
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR cmdLine, int) { return theApp.Main(instance, cmdLine); }
