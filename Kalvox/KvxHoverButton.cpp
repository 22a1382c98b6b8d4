// Hover image buttons: the "IMAGEBUTTON" window procedure.  A button keeps
// everything as properties on its own window: a memory context per picture
// (with the picture and its palette selected), its state and a hit-test
// region.  It paints the picture of its state, follows the pointer in and
// out of its shape (capturing the mouse while the pointer is inside) and
// posts WM_COMMAND to its parent when it is clicked.
// Depends on: Kalvox/KvxButtons.h (LOADBMPFROMFILE, BITMAPTOREGION),
// platform/win.h (windows, properties, capture, device contexts, regions).
#include <string>

#include "Kalvox/KvxButtons.h"

namespace kvx {

using namespace plat;

std::string BMPTYPE;

namespace {

constexpr HANDLE STATE_NORMAL = 1, STATE_HOVER = 2, STATE_PRESSED = 3;

struct PICTURESIZE {
    LONG cx = 0, cy = 0;
};

// Loads one picture into a new memory context with its palette selected and
// realised, and stores the context under NAME.  A picture that does not load
// leaves the property absent (nothing is painted for its state).  Returns the
// picture's size (0 by 0 when it did not load).
PICTURESIZE LOADPICTURE(HWND WND, const char* NAME, const std::string& FILE) {
    HPALETTE PAL = 0;
    const HBITMAP BMP = LOADBMPFROMFILE(FILE, PAL);
    if (BMP == 0) return {};
    BITMAP BM{};
    GetObjectA(BMP, sizeof BM, &BM);
    const HDC MEMDC = CreateCompatibleDC(0);
    if (MEMDC == 0) {
        DeleteObject(BMP);
        DeleteObject(PAL);
        return {BM.bmWidth, BM.bmHeight};
    }
    SelectObject(MEMDC, BMP);
    if (PAL != 0) {
        SelectPalette(MEMDC, PAL, FALSE_);
        RealizePalette(MEMDC);
    }
    SetPropA(WND, NAME, MEMDC);
    return {BM.bmWidth, BM.bmHeight};
}

// Deletes the memory context stored under NAME together with the picture
// and the palette selected into it, and removes the property.
void RELEASEPICTURE(HWND WND, const char* NAME) {
    const HDC MEMDC = GetPropA(WND, NAME);
    if (MEMDC != 0) {
        const HGDIOBJ BMP = GetCurrentObject(MEMDC, OBJ_BITMAP);
        const HGDIOBJ PAL = GetCurrentObject(MEMDC, OBJ_PAL);
        DeleteDC(MEMDC);
        // Once the context is gone neither is selected anywhere; the stock
        // objects a context starts with refuse deletion harmlessly.
        DeleteObject(BMP);
        DeleteObject(PAL);
    }
    RemovePropA(WND, NAME);
}

void SETSTATE(HWND WND, HANDLE STATE) { SetPropA(WND, HOVERMODE, STATE); }

void REPAINT(HWND WND) { InvalidateRect(WND, nullptr, FALSE_); }

void ONCREATE(HWND WND) {
    const std::string NORMALFILE = BMPTYPE + "N" + ".BMP";
    const PICTURESIZE SZ = LOADPICTURE(WND, NORMALBMP, NORMALFILE);

    // Stay where created, in the parent's client coordinates, at the normal
    // picture's size.
    RECT R{};
    GetWindowRect(WND, &R);
    POINT AT{R.left, R.top};
    const HWND PARENT = GetParent(WND);
    if (PARENT != 0) ScreenToClient(PARENT, &AT);
    MoveWindow(WND, AT.x, AT.y, SZ.cx, SZ.cy, FALSE_);

    LOADPICTURE(WND, HOVERBMP, BMPTYPE + "H" + ".BMP");
    LOADPICTURE(WND, PRESSBMP, BMPTYPE + "P" + ".BMP");
    SETSTATE(WND, STATE_NORMAL);

    const HRGN SHAPE = BITMAPTOREGION(NORMALFILE, BUTTON_TRANSPARENT, BUTTON_TOLERANCE);
    if (SHAPE == 0) return;  // stays rectangular, with no hit-test region
    // The hit-test region: an identical copy (the picture is not read again).
    HRGN HIT = CreateRectRgn(0, 0, 0, 0);
    if (HIT != 0 && CombineRgn(HIT, SHAPE, 0, RGN_COPY) == ERROR_) {
        DeleteObject(HIT);
        HIT = 0;
    }
    SetWindowRgn(WND, SHAPE, FALSE_);  // the window owns it from here
    if (HIT != 0) SetPropA(WND, BUTTONRGN, HIT);
}

void ONDESTROY(HWND WND) {
    RemovePropA(WND, HOVERMODE);
    const HRGN HIT = GetPropA(WND, BUTTONRGN);
    if (HIT != 0) DeleteObject(HIT);
    RemovePropA(WND, BUTTONRGN);
    RELEASEPICTURE(WND, PRESSBMP);
    RELEASEPICTURE(WND, HOVERBMP);
    RELEASEPICTURE(WND, NORMALBMP);
}

void ONPAINT(HWND WND) {
    RECT R{};
    GetWindowRect(WND, &R);
    const HANDLE STATE = GetPropA(WND, HOVERMODE);
    HDC MEMDC = 0;
    if (STATE == STATE_NORMAL) MEMDC = GetPropA(WND, NORMALBMP);
    else if (STATE == STATE_HOVER) MEMDC = GetPropA(WND, HOVERBMP);
    else if (STATE == STATE_PRESSED) MEMDC = GetPropA(WND, PRESSBMP);
    // Without a picture the update area is still validated.
    PAINTSTRUCT PS{};
    const HDC DC = BeginPaint(WND, &PS);
    if (DC != 0 && MEMDC != 0)
        BitBlt(DC, 0, 0, R.right - R.left, R.bottom - R.top, MEMDC, 0, 0, SRCCOPY);
    EndPaint(WND, &PS);
}

void ONMOUSEMOVE(HWND WND, WPARAM KEYS, LPARAM POS) {
    const HRGN HIT = GetPropA(WND, BUTTONRGN);
    const HANDLE STATE = GetPropA(WND, HOVERMODE);
    if (HIT == 0 || STATE == 0) return;
    // Read unsigned: a captured pointer left of or above the button gives a
    // large coordinate, outside the shape.
    const std::int32_t X = LOWORD(static_cast<std::uint32_t>(POS));
    const std::int32_t Y = HIWORD(static_cast<std::uint32_t>(POS));
    if (PtInRegion(HIT, X, Y) != 0) {
        if (STATE != STATE_NORMAL) return;
        SETSTATE(WND, (KEYS & (MK_LBUTTON | MK_RBUTTON)) == 0 ? STATE_HOVER : STATE_PRESSED);
        SetCapture(WND);
        REPAINT(WND);
    } else {
        SETSTATE(WND, STATE_NORMAL);
        ReleaseCapture();
        REPAINT(WND);
    }
}

}  // namespace

LRESULT HOVERBUTTONHANDLER(HWND WND, UINT IMSG, WPARAM WP, LPARAM LP) {
    switch (IMSG) {
    case WM_CREATE:
        ONCREATE(WND);
        return 0;
    case WM_DESTROY:
        ONDESTROY(WND);
        return 0;
    case WM_PAINT:
        ONPAINT(WND);
        return 0;
    case WM_MOUSEMOVE:
        ONMOUSEMOVE(WND, WP, LP);
        return 0;
    case WM_LBUTTONDOWN:
        SetCapture(WND);
        SETSTATE(WND, STATE_PRESSED);
        REPAINT(WND);
        return 0;
    case WM_LBUTTONUP:
        if (GetPropA(WND, HOVERMODE) == STATE_PRESSED)
            PostMessageA(GetParent(WND), WM_COMMAND, GetDlgCtrlID(WND), 0);
        SETSTATE(WND, STATE_NORMAL);
        ReleaseCapture();
        REPAINT(WND);
        return 0;
    default:
        return DefWindowProcA(WND, IMSG, WP, LP);
    }
}

}  // namespace kvx
