// The window framework set up as the window mode sets it up, over the test
// program's own resources (it links the program's resource script), and helpers
// that drive a window the way the mouse and the download worker do.
#pragma once

#include <windows.h>

#include <string>

#include "ui/app.h"
#include "ui/controls.h"
#include "ui/host_window.h"

namespace uitest {

// The application object of the test process (made on first use, kept).
ui::CApp* App();

// Centre of a control in client coordinates.
POINT CentreOf(const ui::CControl* control);

// Mouse press and release at the centre of the named control, as real messages.
void ClickControl(ui::CHostWnd* host, const std::wstring& name);

// Sends `msg` from a second thread, as the download worker does, while this thread
// handles messages; returns the message result.
LRESULT SendFromWorker(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);

// Handles this thread's messages for `ms` milliseconds.
void PumpFor(DWORD ms);

}  // namespace uitest
