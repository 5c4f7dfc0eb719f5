// The Windows screen saver's parts as they call each other: the shell (saver
// window, close-on-input, password machinery), the OpenGL child window with
// its frame timer, and the settings with their dialog. Windows-only.
#ifndef HALVORN_HOST_WIN32_WIN32_HOST_H
#define HALVORN_HOST_WIN32_WIN32_HOST_H

#include <windows.h>

#include "sim/settings.h"

// --- shell (saver_shell.cpp) ---

// The program's module.
extern HINSTANCE SaverInstance;

// Default saver handling: closes on input, hides the cursor, runs the close
// verification on Windows 9x; everything else goes to DefWindowProcA.
LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- OpenGL window and frame pacing (gl_window.cpp) ---

// The program's procedure for the saver window: creates and destroys the
// OpenGL child; passes everything else to DefaultSaverProc.
LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// The OpenGL child window's procedure.
LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- settings (settings_dialog.cpp) ---

// The five settings as the profile holds them.
Settings readProfileSettings();

// Writes all five settings to the profile.
void writeProfileSettings();

// The settings dialog's procedure (dialog template 2003).
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Registers the dialog's window classes; always succeeds.
BOOL registerDialogClasses(HINSTANCE instance);

// --- pictures (resource_pictures.cpp) ---

// Makes loadTextures take the pictures from the module's bitmap resources.
void useResourcePictures(HINSTANCE instance);

#endif
