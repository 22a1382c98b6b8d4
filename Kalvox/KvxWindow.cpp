// Kalvox window module: the window settings, the registration of the
// "GLWindow" class, the creation of the rendering window with its pixel format
// and OpenGL context, the creation-failure messages and the teardown.
// Depends on: platform/win.h, KvxGeometry (vertex-recording switches),
// KvxButtons (the image-button class it registers),
// runtime (range checks), OpenGL.
#include "Kalvox/KvxWindow.h"
#include "Kalvox/KvxButtons.h"

#include <GL/gl.h>

#include <cstdlib>
#include <cstring>

namespace kvx {

using namespace plat;

HWND HWINDOW = 0;
HDC DCWINDOW = 0;
HGLRC RCWINDOW = 0;
std::int32_t WIDTH = 0;
std::int32_t HEIGHT = 0;
std::int32_t BITS = 0;
bool FULLSCREEN = false;
bool ACTIVE = false;
std::int32_t PIXEL_FORMAT_FLAGS = 0;
std::int32_t SETTYPECURSOR = 0;
const char* CURSORFILE = nullptr;
std::int32_t SETTYPEICON = 0;
const char* ICONFILE = nullptr;
bool SHOWMENUBAR = false;
KVXPROCEDURE CREATEMENUBAR = nullptr;
KVXPROCEDURE CREATEMOUSEMENU = nullptr;
KVXINPUTCOMMAND GETINPUTCOMMAND = nullptr;
bool SHOWSTATUSBAR = false;
HWND HSTATUS = 0;
std::uint32_t START = 0;
bool FOGONOFF = false;
std::uint32_t OBJNULL = 0;
WNDCLASSEXA WINDOWCLASSEX{};
std::string KVXVERSION = "1.0";

namespace {

constexpr DWORD WINDOWED_STYLE = 0x96CA0000;    // pop-up, visible, clip, caption, system menu, minimise box
constexpr DWORD FULLSCREEN_STYLE = 0x96880000;  // pop-up, visible, clip, thin border, system menu
constexpr DWORD FIXED_PFD_FLAGS = 0x1067;       // double buffer, stereo, window, OpenGL, generic (accelerated)

// The stock cursor of each cursor kind (0 for the file cursor, kind 7).
constexpr std::uintptr_t STOCK_CURSOR[17] = {
    0,           IDC_ARROW,   IDC_IBEAM,    IDC_WAIT,     IDC_CROSS, IDC_UPARROW,
    IDC_SIZE,    0,           IDC_SIZENWSE, IDC_SIZENESW, IDC_SIZEWE, IDC_SIZENS,
    IDC_SIZEALL, IDC_NO,      IDC_HAND,     IDC_APPSTARTING, IDC_HELP};

HCURSOR class_cursor() {
    if (SETTYPECURSOR == FILECURSOR) return LoadCursorFromFileA(CURSORFILE);
    if (SETTYPECURSOR >= ARROW && SETTYPECURSOR <= HELP)
        return LoadCursorA(0, STOCK_CURSOR[SETTYPECURSOR]);
    return 0;  // other kinds leave the class without a cursor
}

HICON class_icon() {
    if (SETTYPEICON == GENERIC) return LoadIconA(0, IDI_APPLICATION);
    if (SETTYPEICON == FILEICON) return LoadCursorFromFileA(ICONFILE);
    return 0;
}

}  // namespace

namespace detail {

PIXELFORMATDESCRIPTOR PFD{};

void FILLDESCRIPTOR() {
    rt::check_range(BITS, 0, 255);
    rt::check_range(PIXEL_FORMAT_FLAGS, 0, INT32_MAX);
    const BYTE bits = static_cast<BYTE>(BITS);
    std::memset(&PFD, 0, sizeof PFD);
    PFD.nSize = 40;
    PFD.nVersion = 1;
    PFD.dwFlags = static_cast<DWORD>(PIXEL_FORMAT_FLAGS) | FIXED_PFD_FLAGS;
    PFD.iPixelType = PFD_TYPE_RGBA;
    PFD.cColorBits = bits;
    PFD.cAlphaBits = bits;
    PFD.cAccumBits = bits;
    PFD.cDepthBits = bits;
    PFD.cStencilBits = bits;
    PFD.cAuxBuffers = bits;
    PFD.iLayerType = 1;
}

bool WINDOWREGISTER() {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = GLWNDPROC;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = GetModuleInstance();
    wc.hIcon = class_icon();
    wc.hCursor = class_cursor();
    wc.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    wc.lpszMenuName = nullptr;
    wc.lpszClassName = "GLWindow";
    const bool registered = (RegisterClassA(&wc) & 0xFFFF) != 0;
    // The image-button class, once per run; its outcome never changes the
    // result.
    if (GetClassInfoExA(0, SZHOVERCLASS, &WINDOWCLASSEX) == 0) {
        WINDOWCLASSEX.cbSize = 48;
        WINDOWCLASSEX.style = 0;
        WINDOWCLASSEX.lpfnWndProc = HOVERBUTTONHANDLER;
        WINDOWCLASSEX.cbClsExtra = 0;
        WINDOWCLASSEX.cbWndExtra = 0;
        WINDOWCLASSEX.hInstance = GetModuleInstance();
        WINDOWCLASSEX.hIcon = LoadIconA(0, IDI_APPLICATION);
        WINDOWCLASSEX.hIconSm = LoadIconA(0, IDI_APPLICATION);
        WINDOWCLASSEX.hCursor = LoadCursorA(0, IDC_ARROW);
        WINDOWCLASSEX.hbrBackground = GetStockObject(HOLLOW_BRUSH);
        WINDOWCLASSEX.lpszMenuName = nullptr;
        WINDOWCLASSEX.lpszClassName = SZHOVERCLASS;
        RegisterClassExA(&WINDOWCLASSEX);
    }
    return registered;
}

HWND WINDOWCREATE(const char* PCAPPLICATIONNAME) {
    DWORD style;
    if (!FULLSCREEN) {
        style = WINDOWED_STYLE;
    } else {
        WIDTH = GetSystemMetrics(SM_CXSCREEN);
        HEIGHT = GetSystemMetrics(SM_CYSCREEN);
        style = FULLSCREEN_STYLE;
    }
    const HWND h = CreateWindowExA(0, "GLWindow", PCAPPLICATIONNAME, style, CW_USEDEFAULT,
                                   CW_USEDEFAULT, WIDTH, HEIGHT, 0, 0, GetModuleInstance(), nullptr);
    if (h != 0) {
        ShowWindow(h, GetStartupShowCommand());
        UpdateWindow(h);
    }
    return h;
}

bool WINDOWINIT(HWND HPARENT) {
    std::int32_t error = 0;  // 0 none, 1 no pixel format, 2 no context
    DCWINDOW = GetDC(HPARENT);
    FILLDESCRIPTOR();
    const std::int32_t format = ChoosePixelFormat(DCWINDOW, &PFD);
    if (format == 0) error = 1;
    SetPixelFormat(DCWINDOW, format, &PFD);
    RCWINDOW = wglCreateContext(DCWINDOW);
    if (RCWINDOW == 0) error = 2;
    wglMakeCurrent(DCWINDOW, RCWINDOW);
    return error == 0;
}

void THROWERROR(const char* PCERRORMESSAGE) {
    MessageBoxA(0, PCERRORMESSAGE, "Error", MB_OK);
    // A failed creation is a failure: the program ends, and says so.
    std::exit(1);
}

}  // namespace detail

void OGLWINDOWSETTING(std::int32_t TYPECURSOR, const char* CURFILE, std::int32_t TYPEICON,
                      const char* ICOFILE) {
    if (MOUSEFREE) {
        START = GetTickCount();
        SetCursorPos(WIDTH / 2, HEIGHT / 2);
    }
    FOGONOFF = true;
    SETTYPECURSOR = TYPECURSOR;
    CURSORFILE = CURFILE;
    SETTYPEICON = TYPEICON;
    ICONFILE = ICOFILE;
    // With no current context these calls do nothing and OBJNULL is 0.
    OBJNULL = glGenLists(1);
    glNewList(OBJNULL, GL_COMPILE);
    glEndList();
    GLVERT3FREMOVE = false;
    GLVERT3FENABLEEDIT = false;
}

bool CREATEOGLWINDOW(const char* APPNAME, std::int32_t APPWIDTH, std::int32_t APPHEIGHT,
                     std::int32_t APPBITS, bool APPFULLSCREEN) {
    WIDTH = APPWIDTH;
    HEIGHT = APPHEIGHT;
    BITS = APPBITS;
    FULLSCREEN = APPFULLSCREEN;
    if (!detail::WINDOWREGISTER())
        detail::THROWERROR("Errore di registro per la rispettiva applicazione!");
    HWINDOW = detail::WINDOWCREATE(APPNAME);
    // The menu and the status bar come before the handle is tested.
    if (SHOWMENUBAR && CREATEMENUBAR != nullptr) CREATEMENUBAR();
    if (SHOWSTATUSBAR) HSTATUS = CREATESTATUSBAR(HWINDOW);
    if (HWINDOW == 0)
        detail::THROWERROR("Impossibile creare la finestra per la rispettiva applicazione!");
    if (!detail::WINDOWINIT(HWINDOW))
        detail::THROWERROR("la rispettiva applicazione non è stata inizilizata!");
    return true;
}

void DELETEOGLWINDOW() {
    wglMakeCurrent(DCWINDOW, 0);
    wglDeleteContext(RCWINDOW);
    ReleaseDC(HWINDOW, DCWINDOW);
    DestroyWindow(HWINDOW);
}

}  // namespace kvx
