// The screen-saver shell: the mode on the command line, the saver window with
// its close-on-input behaviour, and the Windows 9x password machinery, loaded
// at run time so that the program needs none of it elsewhere.
#include <cstdint>
#include <cstdlib>

#include "resource_ids.h"
#include "saver_args.h"
#include "view/battle_process.h"
#include "win32_host.h"

HINSTANCE SaverInstance = nullptr;

namespace {

// Sent by the close verification to the saver window; the reply says whether
// the password was accepted.
constexpr UINT VerifyRequestMessage = 0x8000;

// Least time between two password prompts, ms.
constexpr DWORD VerifyRepeatMs = 200;

// Largest |dx| + |dy| of the cursor, pixels, that does not close the saver.
constexpr int MouseThreshold = 4;

// SPI_SCREENSAVERRUNNING: tells Windows 9x that a password-protected saver runs.
constexpr UINT ScreenSaverRunningAction = 97;

// WM_POWER's critical-resume notification.
constexpr WPARAM PowerCriticalResume = 3;

const char* const SaverClassName = "WindowsScreenSaverClass";
const char* const FullScreenName = "Screen Saver";
const char* const PreviewName = "Preview";

using VerifyPasswordFn = BOOL(WINAPI*)(HWND);
using ChangePasswordFn = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
using AssociateContextFn = HANDLE(WINAPI*)(HWND, HANDLE);

int IsWin9x = 0;
HWND saverWindow = nullptr;
int previewFlag = 0;
int closeApproved = 0;  // only ever goes from 0 to 1
int checkingPassword = 0;
HMODULE passwordLibrary = nullptr;
VerifyPasswordFn passwordVerifier = nullptr;
UINT autoPlayMessage = 0;
POINT lastCursor = {0, 0};
DWORD lastVerificationTick = 0;
bool verifiedBefore = false;  // a password attempt has been made
AssociateContextFn associateContext = nullptr;
HANDLE keptInputContext = nullptr;

// A function of a loaded module, or null.
template <typename Fn>
Fn moduleFunction(HMODULE module, const char* name) {
    // Through the generic function type, which converts to any other.
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

void hideCursor() { SetCursor(nullptr); }

HWND windowFromNumber(std::uint64_t number) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(number)); }

void loadPasswordVerifier() {
    if (!IsWin9x) return;
    if (passwordLibrary != nullptr) {
        FreeLibrary(passwordLibrary);
        passwordLibrary = nullptr;
        passwordVerifier = nullptr;
    }
    HKEY key;
    if (RegOpenKeyA(HKEY_CURRENT_USER, "Control Panel\\Desktop", &key) != ERROR_SUCCESS) return;
    DWORD usePassword = 0;
    DWORD size = sizeof usePassword;
    if (RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr, reinterpret_cast<BYTE*>(&usePassword),
                         &size) == ERROR_SUCCESS &&
        usePassword != 0) {
        passwordLibrary = LoadLibraryA("PASSWORD.CPL");
        if (passwordLibrary != nullptr) {
            passwordVerifier = moduleFunction<VerifyPasswordFn>(passwordLibrary, "VerifyScreenSavePwd");
            if (passwordVerifier != nullptr) {
                BOOL previous;
                SystemParametersInfoA(ScreenSaverRunningAction, TRUE, &previous, 0);
            } else {
                FreeLibrary(passwordLibrary);
                passwordLibrary = nullptr;
            }
        }
    }
    RegCloseKey(key);
}

void unloadPasswordVerifier() {
    if (!IsWin9x || passwordLibrary == nullptr) return;
    FreeLibrary(passwordLibrary);
    passwordLibrary = nullptr;
    if (passwordVerifier != nullptr) {
        passwordVerifier = nullptr;
        BOOL previous;
        SystemParametersInfoA(ScreenSaverRunningAction, FALSE, &previous, 0);
    }
}

// Windows 9x: may the saver close? Asks for the password at most once per
// 200 ms; while the question is open every further request is refused.
int verifyBeforeClose(HWND window) {
    if (checkingPassword) return 0;
    if (passwordVerifier == nullptr) {
        closeApproved = 1;
        return 1;
    }
    if (verifiedBefore && GetTickCount() - lastVerificationTick < VerifyRepeatMs) return closeApproved;

    checkingPassword = 1;
    // Frames that were due while the question opens would only pile up.
    MSG pending;
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    if (SendMessageA(window, VerifyRequestMessage, 0, 0) != 0) closeApproved = 1;
    checkingPassword = 0;
    if (!closeApproved) hideCursor();
    lastVerificationTick = GetTickCount();
    verifiedBefore = true;
    return closeApproved;
}

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        // Keep input methods from opening their windows over the saver.
        HMODULE imm = GetModuleHandleA("IMM32.DLL");
        if (imm != nullptr) associateContext = moduleFunction<AssociateContextFn>(imm, "ImmAssociateContext");
        if (associateContext != nullptr) keptInputContext = associateContext(window, nullptr);
        GetCursorPos(&lastCursor);
        if (!previewFlag) hideCursor();
        break;
    }
    case WM_DESTROY:
        if (associateContext != nullptr && keptInputContext != nullptr) associateContext(window, keptInputContext);
        PostQuitMessage(0);
        break;
    case WM_SETTEXT:
        return 0;
    case WM_PAINT:
        if (closeApproved) return DefWindowProcA(window, message, wParam, lParam);
        if (!previewFlag) hideCursor();
        break;
    case WM_TIMER:
        if (closeApproved) return 0;
        Sleep(0);
        break;
    case WM_HELP:
    case WM_CONTEXTMENU:
        if (previewFlag) {
            HWND parent = GetParent(window);
            if (parent != nullptr && IsWindow(parent)) {
                PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
            }
            return 1;
        }
        break;
    case WM_SYSCOMMAND: {
        // The low four bits of the command are the system's own.
        const WPARAM command = wParam & 0xFFF0;
        if (!previewFlag && (command == SC_NEXTWINDOW || command == SC_PREVWINDOW || command == SC_SCREENSAVE)) {
            return 0;
        }
        break;
    }
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
        if (closeApproved) return DefWindowProcA(window, message, wParam, lParam);
        break;
    default:
        break;
    }
    return SaverProc(window, message, wParam, lParam);
}

// Runs the saver full screen (parent null) or inside parent. The quit
// message's code; 0 when another saver already shows; 1 when the window
// cannot be made.
int runSaver(HWND parent) {
    WNDCLASSA saverClass = {};
    saverClass.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
    saverClass.lpfnWndProc = SaverWindowProc;
    saverClass.hInstance = SaverInstance;
    saverClass.hIcon = LoadIconA(SaverInstance, MAKEINTRESOURCEA(IDI_HALVORN));
    saverClass.hCursor = nullptr;
    saverClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    saverClass.lpszClassName = SaverClassName;

    RECT area = {0, 0, 0, 0};
    DWORD style;
    DWORD exStyle;
    const char* name;
    if (parent != nullptr) {
        GetClientRect(parent, &area);
        style = WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN;
        exStyle = 0;
        name = PreviewName;
        previewFlag = 1;
    } else {
        HDC screen = GetDC(nullptr);
        GetClipBox(screen, &area);
        ReleaseDC(nullptr, screen);
        style = WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;
        exStyle = WS_EX_TOPMOST;
        name = FullScreenName;
        HWND running = FindWindowA(SaverClassName, FullScreenName);
        if (running != nullptr) {
            SetForegroundWindow(running);
            return 0;
        }
        loadPasswordVerifier();
    }

    if (IsWin9x) autoPlayMessage = RegisterWindowMessageA("QueryCancelAutoPlay");

    int result = 1;
    if (RegisterClassA(&saverClass) != 0) {
        saverWindow = CreateWindowExA(exStyle, SaverClassName, name, style, area.left, area.top, area.right - area.left,
                                      area.bottom - area.top, parent, nullptr, SaverInstance, nullptr);
    }
    if (saverWindow != nullptr) {
        if (!previewFlag) SetForegroundWindow(saverWindow);
        MSG message = {};
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        result = static_cast<int>(message.wParam);
    }
    unloadPasswordVerifier();
    return result;
}

void changePassword(HWND owner) {
    HMODULE mpr = LoadLibraryA("MPR.DLL");
    if (mpr == nullptr) return;
    ChangePasswordFn change = moduleFunction<ChangePasswordFn>(mpr, "PwdChangePasswordA");
    if (change != nullptr) change("SCRSAVE", owner, 0, nullptr);
    FreeLibrary(mpr);
}

int showSettings(HWND owner) {
    registerDialogClasses(SaverInstance);
    return static_cast<int>(
        DialogBoxParamA(SaverInstance, MAKEINTRESOURCEA(IDD_SETTINGS), owner, SettingsDialogProc, 0));
}

int runMode(const SaverCommand& command) {
    switch (command.mode) {
    case SaverMode::Settings:
        return showSettings(nullptr);
    case SaverMode::SettingsOwned: {
        HWND owner = windowFromNumber(command.window);
        if (!command.ownerGiven || owner == nullptr || !IsWindow(owner)) owner = GetForegroundWindow();
        return showSettings(owner);
    }
    case SaverMode::FullScreen:
        return runSaver(nullptr);
    case SaverMode::Preview: {
        HWND parent = windowFromNumber(command.window);
        if (parent == nullptr || !IsWindow(parent)) return -1;
        return runSaver(parent);
    }
    case SaverMode::ChangePassword: {
        if (!IsWin9x) return -1;
        HWND owner = windowFromNumber(command.window);
        if (owner == nullptr || !IsWindow(owner)) owner = GetForegroundWindow();
        changePassword(owner);
        return 0;
    }
    case SaverMode::Invalid:
    default:
        return -1;
    }
}

}  // namespace

LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!previewFlag && !closeApproved) {
        if (IsWin9x && message == WM_CLOSE) {
            if (!verifyBeforeClose(window)) {
                GetCursorPos(&lastCursor);
                return 0;
            }
        } else if (IsWin9x && message == VerifyRequestMessage) {
            return passwordVerifier != nullptr ? passwordVerifier(window) : 1;
        } else if (!checkingPassword) {
            switch (message) {
            case WM_SHOWWINDOW:
                if (wParam != 0) hideCursor();
                break;
            case WM_ACTIVATEAPP:
                if (wParam == 0) PostMessageA(window, WM_CLOSE, 0, 0);
                break;
            case WM_SETCURSOR:
                hideCursor();
                return 1;
            case WM_POWER:
                if (wParam == PowerCriticalResume) PostMessageA(window, WM_CLOSE, 0, 0);
                break;
            case WM_KEYDOWN:
            case WM_SYSKEYDOWN:
            case WM_LBUTTONDOWN:
            case WM_RBUTTONDOWN:
            case WM_MBUTTONDOWN:
            case WM_POWERBROADCAST:
                PostMessageA(window, WM_CLOSE, 0, 0);
                break;
            case WM_MOUSEMOVE: {
                // Measured against the last recorded position, so slow drift
                // adds up until it passes the threshold.
                POINT now;
                GetCursorPos(&now);
                if (std::abs(now.x - lastCursor.x) + std::abs(now.y - lastCursor.y) > MouseThreshold) {
                    PostMessageA(window, WM_CLOSE, 0, 0);
                    lastCursor = now;
                }
                break;
            }
            default:
                break;
            }
        }
    }
    if (autoPlayMessage != 0 && message == autoPlayMessage) {
        PostMessageA(window, WM_CLOSE, 0, 0);
        return passwordVerifier != nullptr ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    SaverInstance = instance;
    // The shot pool and the camera draw from the generator before anything
    // seeds it, as they would at static initialisation.
    initBattleProcess();

    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    IsWin9x = GetVersionExA(&version) && version.dwPlatformId == VER_PLATFORM_WIN32_WINDOWS ? 1 : 0;

    const SaverCommand command = parseSaverArgs(argumentString(GetCommandLineA()));
    ExitProcess(static_cast<UINT>(runMode(command)));
}
