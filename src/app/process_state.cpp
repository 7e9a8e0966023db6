#include "app/process_state.h"

HINSTANCE instanceHandle = nullptr;
HWND progressWindow = nullptr;
TextBuffer commandLineText(1024);
