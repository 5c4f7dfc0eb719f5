// The OpenGL child window that covers the saver window, and the clock that
// drives it: a one-shot multimedia timer, re-armed at every frame with the
// period the saver module asks for, posts WM_TIMER to the child; each
// WM_TIMER runs one frame through the module (host/common/saver.h). The timer
// thread does nothing but post.
#include "win32_host.h"  // windows.h first: the GL and multimedia headers build on it

#include <GL/gl.h>
#include <mmsystem.h>

#include <atomic>
#include <new>
#include <string>

#include "frame_period.h"
#include "gl_painter.h"
#include "saver.h"

namespace {

const char* const GlClassName = "NTDEVCLASS";

HWND saverWindow = nullptr;
// Read by the timer thread; set before the first timer is armed.
std::atomic<HWND> childWindow{nullptr};
int storedWidth = 0;  // saver window's client size at its first creation, pixels
int storedHeight = 0;
HDC windowDc = nullptr;
HGLRC renderingContext = nullptr;
HPALETTE palette = nullptr;
PIXELFORMATDESCRIPTOR pixelFormat = {};

// The tick count at program start.
const DWORD programStartTick = GetTickCount();
GlPainter painter(gl11Backend());  // the saver draws with the system's OpenGL 1.1
UINT timerId = 0;
UINT requestedResolution = 0;  // timer resolution requested with timeBeginPeriod, ms; 0 none

// Stand-in timer id when the multimedia timer cannot be armed.
constexpr UINT_PTR FallbackTimerId = 1;

// The requested pixel format: double-buffered RGBA, 24 colour bits, 16 depth bits.
PIXELFORMATDESCRIPTOR requestedPixelFormat() {
    PIXELFORMATDESCRIPTOR pfd = {};
    pfd.nSize = sizeof(PIXELFORMATDESCRIPTOR);  // 40
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 16;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}

// Intensity of palette entry `index` in a channel of `bits` bits at `shift`.
BYTE paletteChannel(int index, int bits, int shift) {
    if (bits <= 0) return 0;
    const int mask = (1 << bits) - 1;
    return static_cast<BYTE>(static_cast<double>((index >> shift) & mask) * 255.0 / static_cast<double>(mask));
}

// A logical palette for a palette-based pixel format (at most 16 colour bits
// can have one), selected into the window DC and realised.
void createPalette() {
    const int colorBits = pixelFormat.cColorBits;
    if (colorBits < 1 || colorBits > 16) return;
    const int count = 1 << colorBits;
    const size_t bytes = sizeof(LOGPALETTE) + sizeof(PALETTEENTRY) * static_cast<size_t>(count);
    LOGPALETTE* description = static_cast<LOGPALETTE*>(::operator new(bytes, std::nothrow));
    if (description == nullptr) return;
    description->palVersion = 0x300;
    description->palNumEntries = static_cast<WORD>(count);
    PALETTEENTRY* entries = description->palPalEntry;
    for (int i = 0; i < count; ++i) {
        entries[i].peRed = paletteChannel(i, pixelFormat.cRedBits, pixelFormat.cRedShift);
        entries[i].peGreen = paletteChannel(i, pixelFormat.cGreenBits, pixelFormat.cGreenShift);
        entries[i].peBlue = paletteChannel(i, pixelFormat.cBlueBits, pixelFormat.cBlueShift);
        entries[i].peFlags = 0;
    }
    palette = CreatePalette(description);
    ::operator delete(description);
    if (palette != nullptr) {
        SelectPalette(windowDc, palette, FALSE);
        RealizePalette(windowDc);
    }
}

// Finds an OpenGL entry point of the current context: what opengl32 does not
// export comes from the driver through wglGetProcAddress.
void* wglProc(const char* name) { return reinterpret_cast<void*>(wglGetProcAddress(name)); }

void CALLBACK timerProc(UINT, UINT, DWORD_PTR, DWORD_PTR, DWORD_PTR) {
    // A timer that fires while the child is going finds no window: a post to
    // no window would land in this thread's own queue.
    HWND child = childWindow.load();
    if (child != nullptr) PostMessageA(child, WM_TIMER, 0, 0);
}

// Timer resolution from the device capabilities: at least 3 ms, at most the
// largest period the timer offers.
UINT timerResolution(const TIMECAPS& caps) {
    UINT resolution = caps.wPeriodMin > 3 ? caps.wPeriodMin : 3;
    return resolution < caps.wPeriodMax ? resolution : caps.wPeriodMax;
}

// Requests `resolution` for the next timer, releasing the previous request
// so that requests do not pile up over the frames.
void requestResolution(UINT resolution) {
    timeBeginPeriod(resolution);
    if (requestedResolution != 0) timeEndPeriod(requestedResolution);
    requestedResolution = resolution;
}

// Arms the one-shot timer for delayMs. The timer refuses delays above its
// largest period; should it refuse altogether, a window timer stands in so
// that the frames never stop.
void armTimer(int delayMs, UINT resolution, const TIMECAPS& caps) {
    UINT delay = delayMs > 0 ? static_cast<UINT>(delayMs) : 1;
    if (caps.wPeriodMax != 0 && delay > caps.wPeriodMax) delay = caps.wPeriodMax;
    timerId = timeSetEvent(delay, resolution, timerProc, 0, TIME_ONESHOT | TIME_CALLBACK_FUNCTION);
    if (timerId == 0) SetTimer(childWindow.load(), FallbackTimerId, delay, nullptr);
}

void drawFrameRateLine(HWND window, const std::string& text) {
    RECT client;
    GetClientRect(window, &client);
    SetBkColor(windowDc, RGB(0, 0, 0));
    SetTextColor(windowDc, RGB(255, 255, 0));
    TextOutA(windowDc, 0, client.bottom - 20, text.c_str(), static_cast<int>(text.size()));
}

// Arms the next frame's one-shot timer: called by the saver module once the
// frame period is adapted and before the battle steps, so that the next frame
// is due a whole period after this one began. A timer that cannot report its
// capabilities ends the saver.
void armNextFrame(int periodMs) {
    TIMECAPS caps;
    if (timeGetDevCaps(&caps, sizeof caps) != TIMERR_NOERROR) ExitProcess(0);
    const UINT resolution = timerResolution(caps);
    requestResolution(resolution);
    armTimer(periodMs, resolution, caps);
}

void runFrame(HWND window) {
    const SaverFrame frame = saverDraw(GetTickCount());
    SwapBuffers(windowDc);
    if (!frame.fpsText.empty()) drawFrameRateLine(window, frame.fpsText);
}

void createGlWindow(HWND window) {
    childWindow.store(window);
    windowDc = GetDC(window);
    pixelFormat = requestedPixelFormat();
    const int format = ChoosePixelFormat(windowDc, &pixelFormat);
    SetPixelFormat(windowDc, format, &pixelFormat);
    DescribePixelFormat(windowDc, format, sizeof pixelFormat, &pixelFormat);
    if (pixelFormat.dwFlags & PFD_NEED_PALETTE) createPalette();
    renderingContext = wglCreateContext(windowDc);
    wglMakeCurrent(windowDc, renderingContext);

    useResourcePictures(SaverInstance);
    RECT client;
    GetClientRect(window, &client);
    SaverConfig config;
    config.settings = readProfileSettings();
    config.seed = GetTickCount();
    config.width = client.right;
    config.height = client.bottom;
    config.startTickMs = programStartTick;
    painter.procLoader = wglProc;
    config.painter = &painter;
    config.armNextFrame = armNextFrame;
    saverInit(config);

    TIMECAPS caps = {};
    timeGetDevCaps(&caps, sizeof caps);
    const UINT resolution = timerResolution(caps);
    requestResolution(resolution);
    armTimer(BaseFramePeriodMs, resolution, caps);
}

void destroyGlWindow(HWND window) {
    saverFree();
    wglMakeCurrent(windowDc, nullptr);
    wglDeleteContext(renderingContext);
    renderingContext = nullptr;
    ReleaseDC(window, windowDc);
    if (palette != nullptr) {
        DeleteObject(palette);
        palette = nullptr;
    }
    if (timerId != 0) timeKillEvent(timerId);
    timerId = 0;
    KillTimer(window, FallbackTimerId);
    if (requestedResolution != 0) timeEndPeriod(requestedResolution);
    requestedResolution = 0;
    PostQuitMessage(0);
}

}  // namespace

LRESULT CALLBACK SaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE: {
        saverWindow = window;
        WNDCLASSA glClass = {};
        glClass.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        glClass.lpfnWndProc = GlWindowProc;
        glClass.hInstance = SaverInstance;
        glClass.lpszClassName = GlClassName;
        RegisterClassA(&glClass);
        if (storedWidth == 0) {
            RECT client;
            GetClientRect(window, &client);
            storedWidth = client.right;
            storedHeight = client.bottom;
        }
        CreateWindowExA(0, GlClassName, "Child1", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 0, 0,
                        storedWidth, storedHeight, window, nullptr, SaverInstance, nullptr);
        return 0;
    }
    case WM_DESTROY: {
        HWND child = childWindow.load();
        if (child != nullptr) DestroyWindow(child);
        PostQuitMessage(0);
        return 0;
    }
    default:
        return DefaultSaverProc(window, message, wParam, lParam);
    }
}

LRESULT CALLBACK GlWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        createGlWindow(window);
        return 0;
    case WM_DESTROY:
        destroyGlWindow(window);
        childWindow.store(nullptr);
        return 0;
    case WM_SIZE:
        saverReshape(LOWORD(lParam), HIWORD(lParam));
        return 0;
    case WM_PAINT: {
        // Keeps the battle going while the window is being repainted; the
        // next timer frame draws it.
        PAINTSTRUCT paint;
        BeginPaint(window, &paint);
        saverRepaint();
        SwapBuffers(windowDc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_CLOSE:
        // Input in the child closes the saver window, through its close
        // verification; the child goes when the saver window goes.
        PostMessageA(saverWindow, WM_CLOSE, 0, 0);
        return 0;
    case WM_ACTIVATE:
    case WM_ACTIVATEAPP:
    case WM_SETCURSOR:
    case WM_NCACTIVATE:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_SYSCOMMAND:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
        const LRESULT result = DefaultSaverProc(window, message, wParam, lParam);
        DefaultSaverProc(saverWindow, message, wParam, lParam);
        return result;
    }
    case WM_TIMER:
        if (wParam == FallbackTimerId) KillTimer(window, FallbackTimerId);
        runFrame(window);
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
