// The resident instance's hidden main window.
#pragma once
#include <windows.h>

// Creates the main window and runs the message loop until it closes.
void RunResident();
