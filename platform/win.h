// The window-system layer: the operations Kalvox needs from a window system,
// with the semantics they have on the desktop platform the library was first
// written for (window classes and procedures, a message queue, message boxes,
// device contexts, pixel formats and GL contexts, bitmaps, palettes, regions,
// a 32-bit millisecond tick counter).
//
// This header is portable: it includes no X11 or GL header.  Handles are
// 32-bit unsigned numbers that index the layer's own object tables; a handle
// is never reused within a run, so a stale handle is harmlessly dead.
//
// The implementation is split into a portable core (platform/core_*.cpp,
// platform/gdi_*.cpp, platform/bmp_*.cpp) and an OS backend (platform/backend.h;
// null_backend.cpp and the x11_*/glx_* files).  See docs/architecture.md.
#pragma once

#include <cstddef>
#include <cstdint>

namespace plat {

// ------------------------------------------------------------------ types
using BOOL = std::int32_t;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using UINT = std::uint32_t;
using LONG = std::int32_t;
using ATOM = std::uint16_t;
using WPARAM = std::int32_t;
using LPARAM = std::int32_t;
using LRESULT = std::int32_t;
using COLORREF = std::uint32_t;

using HANDLE = std::uint32_t;
using HWND = HANDLE;
using HDC = HANDLE;
using HGLRC = HANDLE;
using HGDIOBJ = HANDLE;
using HBITMAP = HANDLE;
using HPALETTE = HANDLE;
using HRGN = HANDLE;
using HBRUSH = HANDLE;
using HCURSOR = HANDLE;
using HICON = HANDLE;
using HMENU = HANDLE;
using HINSTANCE = HANDLE;
using HGLOBAL = HANDLE;

using WNDPROC = LRESULT (*)(HWND, UINT, WPARAM, LPARAM);

constexpr BOOL TRUE_ = 1;
constexpr BOOL FALSE_ = 0;

struct POINT { LONG x; LONG y; };
struct RECT { LONG left; LONG top; LONG right; LONG bottom; };

struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};

struct PAINTSTRUCT {
    HDC hdc;
    BOOL fErase;
    RECT rcPaint;
    BOOL fRestore;
    BOOL fIncUpdate;
    BYTE rgbReserved[32];
};

struct WNDCLASSA {
    UINT style;
    WNDPROC lpfnWndProc;
    std::int32_t cbClsExtra;
    std::int32_t cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
};

struct WNDCLASSEXA {
    UINT cbSize;
    UINT style;
    WNDPROC lpfnWndProc;
    std::int32_t cbClsExtra;
    std::int32_t cbWndExtra;
    HINSTANCE hInstance;
    HICON hIcon;
    HCURSOR hCursor;
    HBRUSH hbrBackground;
    const char* lpszMenuName;
    const char* lpszClassName;
    HICON hIconSm;
};

// The window-creation record handed to the creation message (LPARAM of
// WM_CREATE is a handle-sized key; see GetCreateStruct()).
struct CREATESTRUCTA {
    void* lpCreateParams;
    HINSTANCE hInstance;
    HMENU hMenu;
    HWND hwndParent;
    std::int32_t cy, cx, y, x;
    LONG style;
    const char* lpszName;
    const char* lpszClass;
    DWORD dwExStyle;
};

#pragma pack(push, 1)
struct PIXELFORMATDESCRIPTOR {  // 40 bytes, as on the original platform
    WORD nSize;
    WORD nVersion;
    DWORD dwFlags;
    BYTE iPixelType;
    BYTE cColorBits;
    BYTE cRedBits, cRedShift, cGreenBits, cGreenShift, cBlueBits, cBlueShift;
    BYTE cAlphaBits, cAlphaShift;
    BYTE cAccumBits, cAccumRedBits, cAccumGreenBits, cAccumBlueBits, cAccumAlphaBits;
    BYTE cDepthBits, cStencilBits, cAuxBuffers;
    BYTE iLayerType;
    BYTE bReserved;
    DWORD dwLayerMask, dwVisibleMask, dwDamageMask;
};
#pragma pack(pop)
static_assert(sizeof(PIXELFORMATDESCRIPTOR) == 40);

// ------------------------------------------------------------------ GDI records
struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

#pragma pack(push, 1)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1, bfReserved2;
    DWORD bfOffBits;
};
struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
#pragma pack(pop)
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPINFOHEADER) == 40);

struct RGBQUAD { BYTE rgbBlue, rgbGreen, rgbRed, rgbReserved; };
struct BITMAPINFO { BITMAPINFOHEADER bmiHeader; RGBQUAD bmiColors[1]; };

struct PALETTEENTRY { BYTE peRed, peGreen, peBlue, peFlags; };
struct LOGPALETTE { WORD palVersion; WORD palNumEntries; PALETTEENTRY palPalEntry[1]; };

struct RGNDATAHEADER {  // 32 bytes
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};
struct RGNDATA { RGNDATAHEADER rdh; char Buffer[1]; };
static_assert(sizeof(RGNDATAHEADER) == 32);

// ------------------------------------------------------------------ constants
// Messages
constexpr UINT WM_NULL = 0x0000, WM_CREATE = 0x0001, WM_DESTROY = 0x0002, WM_MOVE = 0x0003,
               WM_SIZE = 0x0005, WM_ACTIVATE = 0x0006, WM_SETFOCUS = 0x0007,
               WM_KILLFOCUS = 0x0008, WM_PAINT = 0x000F, WM_CLOSE = 0x0010, WM_QUIT = 0x0012,
               WM_ERASEBKGND = 0x0014, WM_SHOWWINDOW = 0x0018, WM_SETCURSOR = 0x0020,
               WM_CONTEXTMENU = 0x007B, WM_NCDESTROY = 0x0082, WM_KEYDOWN = 0x0100,
               WM_KEYUP = 0x0101, WM_CHAR = 0x0102, WM_SYSKEYDOWN = 0x0104,
               WM_SYSKEYUP = 0x0105, WM_SYSCHAR = 0x0106, WM_COMMAND = 0x0111,
               WM_SYSCOMMAND = 0x0112, WM_TIMER = 0x0113, WM_MOUSEMOVE = 0x0200,
               WM_LBUTTONDOWN = 0x0201, WM_LBUTTONUP = 0x0202, WM_RBUTTONDOWN = 0x0204,
               WM_RBUTTONUP = 0x0205, WM_MBUTTONDOWN = 0x0207, WM_MBUTTONUP = 0x0208,
               WM_CAPTURECHANGED = 0x0215, WM_USER = 0x0400;
constexpr WPARAM SC_SCREENSAVE = 0xF140, SC_MONITORPOWER = 0xF170, SC_CLOSE = 0xF060;
constexpr UINT SB_SETPARTS = WM_USER + 4;  // 0x0404
constexpr UINT SB_SETTEXTA = WM_USER + 1;
constexpr UINT SB_GETPARTS = WM_USER + 6;

// Mouse-key state bits carried in WPARAM of mouse messages
constexpr WPARAM MK_LBUTTON = 0x0001, MK_RBUTTON = 0x0002, MK_SHIFT = 0x0004,
                 MK_CONTROL = 0x0008, MK_MBUTTON = 0x0010;

constexpr UINT PM_NOREMOVE = 0, PM_REMOVE = 1;

// Message boxes
constexpr UINT MB_OK = 0x0, MB_YESNO = 0x4, MB_ICONQUESTION = 0x20, MB_ICONERROR = 0x10;
constexpr std::int32_t IDOK = 1, IDCANCEL = 2, IDYES = 6, IDNO = 7;

// Window styles
constexpr DWORD WS_OVERLAPPED = 0x00000000, WS_POPUP = 0x80000000, WS_CHILD = 0x40000000,
                WS_MINIMIZE = 0x20000000, WS_VISIBLE = 0x10000000, WS_DISABLED = 0x08000000,
                WS_CLIPSIBLINGS = 0x04000000, WS_CLIPCHILDREN = 0x02000000,
                WS_MAXIMIZE = 0x01000000, WS_CAPTION = 0x00C00000, WS_BORDER = 0x00800000,
                WS_DLGFRAME = 0x00400000, WS_SYSMENU = 0x00080000, WS_THICKFRAME = 0x00040000,
                WS_MINIMIZEBOX = 0x00020000, WS_MAXIMIZEBOX = 0x00010000;
constexpr UINT CS_VREDRAW = 0x0001, CS_HREDRAW = 0x0002;
constexpr std::int32_t CW_USEDEFAULT = static_cast<std::int32_t>(0x80000000u);
constexpr std::int32_t SW_HIDE = 0, SW_SHOWNORMAL = 1, SW_SHOW = 5;
constexpr std::int32_t SM_CXSCREEN = 0, SM_CYSCREEN = 1;
constexpr std::int32_t COLOR_BTNFACE = 15;
constexpr std::int32_t NULL_BRUSH = 5, HOLLOW_BRUSH = 5;

// Stock cursors and icons (LoadCursorA / LoadIconA with no instance)
constexpr std::uintptr_t IDC_ARROW = 32512, IDC_IBEAM = 32513, IDC_WAIT = 32514,
                         IDC_CROSS = 32515, IDC_UPARROW = 32516, IDC_SIZE = 32640,
                         IDC_ICON = 32641, IDC_SIZENWSE = 32642, IDC_SIZENESW = 32643,
                         IDC_SIZEWE = 32644, IDC_SIZENS = 32645, IDC_SIZEALL = 32646,
                         IDC_NO = 32648, IDC_HAND = 32649, IDC_APPSTARTING = 32650,
                         IDC_HELP = 32651;
constexpr std::uintptr_t IDI_APPLICATION = 32512;

// Images
constexpr UINT IMAGE_BITMAP = 0, IMAGE_ICON = 1, IMAGE_CURSOR = 2;
constexpr UINT LR_DEFAULTCOLOR = 0x0000, LR_LOADFROMFILE = 0x0010,
               LR_LOADTRANSPARENT = 0x0020, LR_CREATEDIBSECTION = 0x2000;
constexpr DWORD BI_RGB = 0, BI_RLE8 = 1, BI_RLE4 = 2, BI_BITFIELDS = 3, BI_JPEG = 4, BI_PNG = 5,
                BI_ALPHABITFIELDS = 6;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr UINT OBJ_PAL = 5, OBJ_BITMAP = 7;
constexpr std::int32_t RGN_AND = 1, RGN_OR = 2, RGN_XOR = 3, RGN_DIFF = 4, RGN_COPY = 5;
constexpr std::int32_t ERROR_ = 0, NULLREGION = 1, SIMPLEREGION = 2, COMPLEXREGION = 3;
constexpr DWORD RDH_RECTANGLES = 1;
constexpr UINT GMEM_FIXED = 0x0000, GMEM_MOVEABLE = 0x0002, GMEM_ZEROINIT = 0x0040;

// Pixel formats
constexpr DWORD PFD_DOUBLEBUFFER = 0x1, PFD_STEREO = 0x2, PFD_DRAW_TO_WINDOW = 0x4,
                PFD_DRAW_TO_BITMAP = 0x8, PFD_SUPPORT_GDI = 0x10, PFD_SUPPORT_OPENGL = 0x20,
                PFD_GENERIC_FORMAT = 0x40, PFD_GENERIC_ACCELERATED = 0x1000,
                PFD_SUPPORT_DIRECTDRAW = 0x2000;
constexpr BYTE PFD_TYPE_RGBA = 0;
constexpr BYTE PFD_MAIN_PLANE = 0;

// Virtual-key codes (the rest follow the original platform's numbering:
// '0'..'9' = 0x30..0x39, 'A'..'Z' = 0x41..0x5A)
constexpr WPARAM VK_LBUTTON = 0x01, VK_RBUTTON = 0x02, VK_BACK = 0x08, VK_TAB = 0x09,
                 VK_RETURN = 0x0D, VK_SHIFT = 0x10, VK_CONTROL = 0x11, VK_MENU = 0x12,
                 VK_PAUSE = 0x13, VK_CAPITAL = 0x14, VK_ESCAPE = 0x1B, VK_SPACE = 0x20,
                 VK_PRIOR = 0x21, VK_NEXT = 0x22, VK_END = 0x23, VK_HOME = 0x24,
                 VK_LEFT = 0x25, VK_UP = 0x26, VK_RIGHT = 0x27, VK_DOWN = 0x28,
                 VK_SNAPSHOT = 0x2C, VK_INSERT = 0x2D, VK_DELETE = 0x2E, VK_LWIN = 0x5B,
                 VK_RWIN = 0x5C, VK_APPS = 0x5D, VK_NUMPAD0 = 0x60, VK_MULTIPLY = 0x6A,
                 VK_ADD = 0x6B, VK_SEPARATOR = 0x6C, VK_SUBTRACT = 0x6D, VK_DECIMAL = 0x6E,
                 VK_DIVIDE = 0x6F, VK_F1 = 0x70, VK_F10 = 0x79, VK_F12 = 0x7B, VK_F24 = 0x87,
                 VK_NUMLOCK = 0x90, VK_SCROLL = 0x91, VK_LSHIFT = 0xA0, VK_RSHIFT = 0xA1,
                 VK_LCONTROL = 0xA2, VK_RCONTROL = 0xA3, VK_LMENU = 0xA4, VK_RMENU = 0xA5,
                 VK_OEM_1 = 0xBA, VK_OEM_PLUS = 0xBB, VK_OEM_COMMA = 0xBC,
                 VK_OEM_MINUS = 0xBD, VK_OEM_PERIOD = 0xBE, VK_OEM_2 = 0xBF, VK_OEM_3 = 0xC0,
                 VK_OEM_4 = 0xDB, VK_OEM_5 = 0xDC, VK_OEM_6 = 0xDD, VK_OEM_7 = 0xDE,
                 VK_OEM_102 = 0xE2;

// LPARAM packing of mouse positions: x in the low 16 bits, y in the high 16
// bits, each a signed 16-bit value.
constexpr LPARAM MAKELPARAM(int lo, int hi) {
    return static_cast<LPARAM>((static_cast<std::uint32_t>(static_cast<std::uint16_t>(lo))) |
                               (static_cast<std::uint32_t>(static_cast<std::uint16_t>(hi)) << 16));
}
constexpr int GET_X_LPARAM(LPARAM l) { return static_cast<std::int16_t>(static_cast<std::uint32_t>(l) & 0xFFFF); }
constexpr int GET_Y_LPARAM(LPARAM l) { return static_cast<std::int16_t>((static_cast<std::uint32_t>(l) >> 16) & 0xFFFF); }
constexpr WORD LOWORD(std::uint32_t v) { return static_cast<WORD>(v & 0xFFFF); }
constexpr WORD HIWORD(std::uint32_t v) { return static_cast<WORD>((v >> 16) & 0xFFFF); }
constexpr COLORREF RGB(BYTE r, BYTE g, BYTE b) {
    return static_cast<COLORREF>(r) | (static_cast<COLORREF>(g) << 8) | (static_cast<COLORREF>(b) << 16);
}

// The program's module instance and start-up show command.
HINSTANCE GetModuleInstance();
std::int32_t GetStartupShowCommand();

// ------------------------------------------------------------------ window manager
ATOM RegisterClassA(const WNDCLASSA* wc);
ATOM RegisterClassExA(const WNDCLASSEXA* wc);
BOOL GetClassInfoExA(HINSTANCE inst, const char* name, WNDCLASSEXA* out);
BOOL UnregisterClassA(const char* name, HINSTANCE inst);

// A stock identifier is passed as the name, as on the original platform.
HICON LoadIconA(HINSTANCE inst, std::uintptr_t id);
HCURSOR LoadCursorA(HINSTANCE inst, std::uintptr_t id);
HCURSOR LoadCursorFromFileA(const char* file);
HBRUSH GetSysColorBrush(std::int32_t index);
HGDIOBJ GetStockObject(std::int32_t index);

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style,
                     std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                     HWND parent, HMENU menu, HINSTANCE inst, void* param);
BOOL DestroyWindow(HWND w);
BOOL IsWindow(HWND w);
BOOL ShowWindow(HWND w, std::int32_t cmd);
BOOL UpdateWindow(HWND w);
BOOL InvalidateRect(HWND w, const RECT* r, BOOL erase);
BOOL ValidateRect(HWND w, const RECT* r);
HDC BeginPaint(HWND w, PAINTSTRUCT* ps);
BOOL EndPaint(HWND w, const PAINTSTRUCT* ps);
BOOL MoveWindow(HWND w, std::int32_t x, std::int32_t y, std::int32_t width, std::int32_t height,
                BOOL repaint);
BOOL GetWindowRect(HWND w, RECT* r);   // outer rectangle, screen coordinates
BOOL GetClientRect(HWND w, RECT* r);   // (0, 0, client width, client height)
BOOL ScreenToClient(HWND w, POINT* p);  // screen -> w's client coordinates
BOOL ClientToScreen(HWND w, POINT* p);  // w's client -> screen coordinates
HWND GetParent(HWND w);
std::int32_t GetDlgCtrlID(HWND w);
BOOL SetWindowTextA(HWND w, const char* text);
std::int32_t GetWindowTextA(HWND w, char* buf, std::int32_t max);
std::int32_t GetSystemMetrics(std::int32_t index);
LRESULT DefWindowProcA(HWND w, UINT msg, WPARAM wp, LPARAM lp);
const CREATESTRUCTA* GetCreateStruct(LPARAM lp);  // LPARAM of WM_CREATE

BOOL SetPropA(HWND w, const char* name, HANDLE value);
HANDLE GetPropA(HWND w, const char* name);
HANDLE RemovePropA(HWND w, const char* name);

// ------------------------------------------------------------------ messages
LRESULT SendMessageA(HWND w, UINT msg, WPARAM wp, LPARAM lp);
// Messages whose LPARAM is a pointer (SB_SETPARTS, SB_SETTEXTA, SB_GETPARTS).
// LPARAM is 32 bits here, so the pointer travels in a side table: for the
// duration of the call the message's LPARAM is a key (never 0, never reused)
// and the receiving procedure reads the pointer back with MessagePointer()
// (or MessageOutPointer() when it writes through it, which only the non-const
// form allows).  The key means nothing once the call has returned.
LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, const void* lp);
LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, void* lp);
LRESULT SendMessagePtr(HWND w, UINT msg, WPARAM wp, std::nullptr_t);
const void* MessagePointer(LPARAM lp);  // nullptr unless lp is a live key
void* MessageOutPointer(LPARAM lp);     // nullptr unless passed writable
BOOL PostMessageA(HWND w, UINT msg, WPARAM wp, LPARAM lp);
void PostQuitMessage(std::int32_t code);
BOOL PeekMessageA(MSG* msg, HWND filter, UINT min, UINT max, UINT remove);
BOOL GetMessageA(MSG* msg, HWND filter, UINT min, UINT max);
BOOL TranslateMessage(const MSG* msg);
LRESULT DispatchMessageA(const MSG* msg);
UINT SetTimer(HWND w, UINT id, UINT periodMs, void* routine);
BOOL KillTimer(HWND w, UINT id);
DWORD GetTickCount();

HWND SetCapture(HWND w);
BOOL ReleaseCapture();
HWND GetCapture();
HWND GetForegroundWindow();
BOOL GetCursorPos(POINT* p);
BOOL SetCursorPos(std::int32_t x, std::int32_t y);

std::int32_t MessageBoxA(HWND owner, const char* text, const char* caption, UINT style);

// Common controls: the status window.
HWND CreateStatusWindowA(LONG style, const char* text, HWND parent, UINT id);

// ------------------------------------------------------------------ GDI / WGL
HDC GetDC(HWND w);  // 0 = the screen
std::int32_t ReleaseDC(HWND w, HDC dc);
std::int32_t ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* pfd);
BOOL SetPixelFormat(HDC dc, std::int32_t format, const PIXELFORMATDESCRIPTOR* pfd);
std::int32_t DescribePixelFormat(HDC dc, std::int32_t format, UINT bytes, PIXELFORMATDESCRIPTOR* out);
HGLRC wglCreateContext(HDC dc);
BOOL wglMakeCurrent(HDC dc, HGLRC rc);
BOOL wglDeleteContext(HGLRC rc);
HGLRC wglGetCurrentContext();
BOOL SwapBuffers(HDC dc);

HANDLE LoadImageA(HINSTANCE inst, const char* name, UINT type, std::int32_t cx, std::int32_t cy,
                  UINT flags);
std::int32_t GetObjectA(HGDIOBJ obj, std::int32_t size, void* out);
BOOL DeleteObject(HGDIOBJ obj);
HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
// The object of a kind (OBJ_PAL, OBJ_BITMAP) selected into a context; 0 if none.
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL forceBackground);
UINT RealizePalette(HDC dc);
HPALETTE CreatePalette(const LOGPALETTE* lp);
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* out);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* out);
HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* bmi, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
BOOL BitBlt(HDC dst, std::int32_t x, std::int32_t y, std::int32_t cx, std::int32_t cy, HDC src,
            std::int32_t x1, std::int32_t y1, DWORD rop);

HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes);
HGLOBAL GlobalReAlloc(HGLOBAL mem, std::size_t bytes, UINT flags);
void* GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem);
HGLOBAL GlobalFree(HGLOBAL mem);  // 0 on success
std::size_t GlobalSize(HGLOBAL mem);

HRGN ExtCreateRegion(const void* xform, DWORD bytes, const RGNDATA* data);
HRGN CreateRectRgn(std::int32_t l, std::int32_t t, std::int32_t r, std::int32_t b);
std::int32_t CombineRgn(HRGN dst, HRGN a, HRGN b, std::int32_t mode);
BOOL PtInRegion(HRGN rgn, std::int32_t x, std::int32_t y);
DWORD GetRegionData(HRGN rgn, DWORD bytes, RGNDATA* out);
std::int32_t SetWindowRgn(HWND w, HRGN rgn, BOOL redraw);

}  // namespace plat
