// hvprobe: the end-to-end suite's eyes and hands inside Wine. A console
// program; every command prints its findings on stdout, one item per line,
// and exits 0 on success, 1 when what it looks for is not there.
//
//   hvprobe parent W H STOPFILE   a top-level window W x H at (100, 100); prints
//                                 its handle, destroys it once STOPFILE exists
//   hvprobe version               platform id and version GetVersionExA reports
//   hvprobe fileversion FILE      the file's version resource as Explorer shows it
//   hvprobe find CLASS [NAME]     handle of a top-level window ("-" for no name)
//   hvprobe dialog                handle of the visible settings dialog
//   hvprobe profile KEY VALUE     writes KEY=VALUE into the saver's profile section
//   hvprobe dump HWND             the dialog: size, owner, then every control
//   hvprobe tree HWND             the window and its descendants, one per line
//   hvprobe alive HWND            exit 0 while HWND is a window
//   hvprobe rect HWND [ID]        screen rectangle of the window or its control
//   hvprobe scroll HWND CODE N    N horizontal scroll messages of CODE; prints the position
//   hvprobe syscommand HWND CMD   posts WM_SYSCOMMAND CMD (e.g. 61536 = SC_CLOSE)
//   hvprobe run "COMMAND LINE"    runs a program with exactly that command line,
//                                 waits, prints and returns its exit code
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

HWND parseWindow(const char* text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(std::strtoull(text, nullptr, 10)));
}

unsigned long long number(HWND window) {
    return static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(window));
}

std::string className(HWND window) {
    char name[256] = "";
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string narrow(const wchar_t* text) {
    char out[1024] = "";
    WideCharToMultiByte(CP_UTF8, 0, text, -1, out, sizeof out, nullptr, nullptr);
    return out;
}

// Read as wide text: the controls of a version 6 dialog are wide windows,
// and the narrow forms lose text when asked from another process.
std::string windowText(HWND window) {
    wchar_t text[512] = L"";
    GetWindowTextW(window, text, 512);
    return narrow(text);
}

// --- parent -------------------------------------------------------------

const char* stopFile = nullptr;

LRESULT CALLBACK parentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_TIMER:
        if (GetFileAttributesA(stopFile) != INVALID_FILE_ATTRIBUTES) DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

int parent(int width, int height, const char* stop) {
    stopFile = stop;
    WNDCLASSA parentClass = {};
    parentClass.lpfnWndProc = parentProc;
    parentClass.hInstance = GetModuleHandleA(nullptr);
    parentClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
    parentClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    parentClass.lpszClassName = "HalvornTestParent";
    RegisterClassA(&parentClass);
    HWND window = CreateWindowExA(0, "HalvornTestParent", "Halvorn test parent", WS_POPUP | WS_VISIBLE, 100, 100, width,
                                  height, nullptr, nullptr, parentClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    std::printf("%llu\n", number(window));
    std::fflush(stdout);
    SetTimer(window, 1, 50, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}

// --- dialog ---------------------------------------------------------------

BOOL CALLBACK findDialog(HWND window, LPARAM found) {
    if (className(window) == "#32770" && IsWindowVisible(window) && GetDlgItem(window, 1027) != nullptr) {
        *reinterpret_cast<HWND*>(found) = window;
        return FALSE;
    }
    return TRUE;
}

BOOL CALLBACK dumpControl(HWND control, LPARAM dialogValue) {
    HWND dialog = reinterpret_cast<HWND>(dialogValue);
    if (GetParent(control) != dialog) return TRUE;
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&r), 2);
    const std::string cls = className(control);
    std::printf("control id=%d class=%s rect=%ld,%ld,%ld,%ld style=%08lx", GetDlgCtrlID(control), cls.c_str(), r.left,
                r.top, r.right - r.left, r.bottom - r.top,
                static_cast<unsigned long>(GetWindowLongA(control, GWL_STYLE)));
    if (_stricmp(cls.c_str(), "Button") == 0) {
        std::printf(" check=%d", static_cast<int>(SendMessageA(control, BM_GETCHECK, 0, 0)));
    } else if (_stricmp(cls.c_str(), "ScrollBar") == 0) {
        int low = 0, high = 0;
        GetScrollRange(control, SB_CTL, &low, &high);
        std::printf(" pos=%d range=%d..%d", static_cast<int>(SendMessageA(control, SBM_GETPOS, 0, 0)), low, high);
    } else if (_stricmp(cls.c_str(), "ComboBox") == 0) {
        wchar_t item[256] = L"";
        if (SendMessageW(control, CB_GETLBTEXTLEN, 0, 0) < 256) {
            SendMessageW(control, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(item));
        }
        std::printf(" count=%d sel=%d data=%d item0=%s", static_cast<int>(SendMessageA(control, CB_GETCOUNT, 0, 0)),
                    static_cast<int>(SendMessageA(control, CB_GETCURSEL, 0, 0)),
                    static_cast<int>(SendMessageA(control, CB_GETITEMDATA, 0, 0)), narrow(item).c_str());
    }
    std::printf(" text=%s\n", windowText(control).c_str());
    return TRUE;
}

int dump(HWND dialog) {
    if (!IsWindow(dialog)) return 1;
    RECT client;
    GetClientRect(dialog, &client);
    std::printf("dialog client=%ld,%ld owner=%llu style=%08lx text=%s\n", client.right, client.bottom,
                number(GetWindow(dialog, GW_OWNER)), static_cast<unsigned long>(GetWindowLongA(dialog, GWL_STYLE)),
                windowText(dialog).c_str());
    EnumChildWindows(dialog, dumpControl, reinterpret_cast<LPARAM>(dialog));
    return 0;
}

BOOL CALLBACK treeLine(HWND window, LPARAM) {
    RECT r;
    GetWindowRect(window, &r);
    std::printf("window %llu parent=%llu class=%s text=%s rect=%ld,%ld,%ld,%ld visible=%d\n", number(window),
                number(GetParent(window)), className(window).c_str(), windowText(window).c_str(), r.left, r.top,
                r.right - r.left, r.bottom - r.top, IsWindowVisible(window) ? 1 : 0);
    return TRUE;
}

}  // namespace

// The version resource of a file, read as Explorer's properties read it: the
// fixed file version ("fixed=a.b.c.d"), then "Name=value" for each string in
// the first language the file declares.
int fileVersion(const char* path) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &ignored);
    if (size == 0) return 1;
    std::vector<char> data(size);
    if (!GetFileVersionInfoA(path, 0, size, data.data())) return 1;
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (!VerQueryValueA(data.data(), "\\", reinterpret_cast<void**>(&fixed), &length) || !fixed) return 1;
    std::printf("fixed=%u.%u.%u.%u\n", HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS),
                HIWORD(fixed->dwFileVersionLS), LOWORD(fixed->dwFileVersionLS));
    WORD* translation = nullptr;  // language, code page
    if (!VerQueryValueA(data.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) ||
        length < 2 * sizeof(WORD)) {
        return 1;
    }
    char block[64];
    std::snprintf(block, sizeof block, "\\StringFileInfo\\%04x%04x\\", translation[0], translation[1]);
    for (const char* name :
         {"CompanyName", "FileDescription", "FileVersion", "LegalCopyright", "ProductName", "ProductVersion"}) {
        char* value = nullptr;
        if (VerQueryValueA(data.data(), (std::string(block) + name).c_str(), reinterpret_cast<void**>(&value), &length) &&
            value && length > 0) {
            std::printf("%s=%s\n", name, value);
        }
    }
    return 0;
}

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "parent" && argc == 5) return parent(std::atoi(argv[2]), std::atoi(argv[3]), argv[4]);
    if (command == "version") {
        OSVERSIONINFOA v = {};
        v.dwOSVersionInfoSize = sizeof v;
        if (!GetVersionExA(&v)) return 1;
        std::printf("platform=%lu version=%lu.%lu\n", v.dwPlatformId, v.dwMajorVersion, v.dwMinorVersion);
        return 0;
    }
    if (command == "find" && argc >= 3) {
        const char* name = argc > 3 && std::strcmp(argv[3], "-") != 0 ? argv[3] : nullptr;
        HWND window = FindWindowA(argv[2], name);
        if (window == nullptr) return 1;
        std::printf("%llu\n", number(window));
        return 0;
    }
    if (command == "dialog") {
        HWND found = nullptr;
        EnumWindows(findDialog, reinterpret_cast<LPARAM>(&found));
        if (found == nullptr) return 1;
        std::printf("%llu\n", number(found));
        return 0;
    }
    if (command == "profile" && argc == 4) {
        // The saver's settings, written as its dialog writes them.
        return WriteProfileStringA("Halvorn", argv[2], argv[3]) ? 0 : 1;
    }
    if (command == "dump" && argc == 3) return dump(parseWindow(argv[2]));
    if (command == "fileversion" && argc == 3) return fileVersion(argv[2]);
    if (command == "tree" && argc == 3) {
        HWND window = parseWindow(argv[2]);
        if (!IsWindow(window)) return 1;
        treeLine(window, 0);
        EnumChildWindows(window, treeLine, 0);
        return 0;
    }
    if (command == "alive" && argc == 3) return IsWindow(parseWindow(argv[2])) ? 0 : 1;
    if (command == "rect" && argc >= 3) {
        HWND window = parseWindow(argv[2]);
        if (argc > 3) window = GetDlgItem(window, std::atoi(argv[3]));
        RECT r;
        if (window == nullptr || !GetWindowRect(window, &r)) return 1;
        std::printf("%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        return 0;
    }
    if (command == "scroll" && argc == 5) {
        HWND dialog = parseWindow(argv[2]);
        HWND bar = GetDlgItem(dialog, 1027);
        if (bar == nullptr) return 1;
        const int code = std::atoi(argv[3]);
        for (int i = std::atoi(argv[4]); i > 0; --i) {
            SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
        }
        std::printf("%d\n", static_cast<int>(SendMessageA(bar, SBM_GETPOS, 0, 0)));
        return 0;
    }
    if (command == "syscommand" && argc == 4) {
        return PostMessageA(parseWindow(argv[2]), WM_SYSCOMMAND, std::strtoul(argv[3], nullptr, 10), 0) ? 0 : 1;
    }
    if (command == "run" && argc == 3) {
        std::string line = argv[2];
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process;
        if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
            std::fprintf(stderr, "hvprobe: cannot run %s\n", line.c_str());
            return 2;
        }
        WaitForSingleObject(process.hProcess, INFINITE);
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        std::printf("exit %ld\n", static_cast<long>(code));
        return static_cast<int>(code);
    }
    std::fprintf(stderr, "hvprobe: unknown command or wrong arguments\n");
    return 2;
}
