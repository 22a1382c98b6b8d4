// Kalvox image buttons and window shapes: LOADBMPFROMFILE (a BMP file as a
// bitmap and a palette) and BITMAPTOREGION (a picture's opaque pixels as a
// window region, built in batches of at most 2000 rectangles).
// Depends on: platform/win.h (LoadImageA, device contexts, DIB sections,
// palettes, BitBlt, movable global memory, regions).
#include "Kalvox/KvxButtons.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

namespace kvx {

using namespace plat;

namespace {

// A logical palette of exactly 256 entries, laid out as LOGPALETTE.
struct LOGPALETTE256 {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[256];
};
static_assert(offsetof(LOGPALETTE256, palPalEntry) == offsetof(LOGPALETTE, palPalEntry));

constexpr std::int32_t FLUSH_AT = 2000;
constexpr DWORD HEADER_BYTES = sizeof(RGNDATAHEADER);

constexpr std::uint32_t channel(COLORREF c, int shift) { return (c >> shift) & 0xFFu; }

}  // namespace

HBITMAP LOADBMPFROMFILE(const std::string& FILENAME, HPALETTE& PAL) {
    const HBITMAP HBMP = LoadImageA(GetModuleInstance(), FILENAME.c_str(), IMAGE_BITMAP, 0, 0,
                                    LR_LOADFROMFILE | LR_CREATEDIBSECTION);
    if (HBMP == 0) return 0;
    BITMAP BM{};
    GetObjectA(HBMP, sizeof BM, &BM);
    if (static_cast<std::int32_t>(BM.bmPlanes) * BM.bmBitsPixel <= 8) {
        const HDC MEMDC = CreateCompatibleDC(0);
        if (MEMDC == 0) {
            // Without a context the colour table cannot be read: no palette
            // rather than an all-black one.
            PAL = 0;
            return HBMP;
        }
        const HGDIOBJ OLDBMP = SelectObject(MEMDC, HBMP);
        RGBQUAD RGB[256] = {};  // entries the table does not have stay zero
        GetDIBColorTable(MEMDC, 0, 256, RGB);
        std::vector<LOGPALETTE256> LP(1);
        LP[0].palVersion = 0x300;
        LP[0].palNumEntries = 256;
        for (std::size_t I = 0; I < 256; ++I)
            LP[0].palPalEntry[I] = PALETTEENTRY{RGB[I].rgbRed, RGB[I].rgbGreen, RGB[I].rgbBlue, 0};
        PAL = CreatePalette(reinterpret_cast<const LOGPALETTE*>(LP.data()));
        SelectObject(MEMDC, OLDBMP);
        DeleteDC(MEMDC);
    } else {
        const HDC DC = GetDC(0);
        PAL = CreateHalftonePalette(DC);
        ReleaseDC(0, DC);
    }
    return HBMP;
}

HRGN BITMAPTOREGION(const std::string& BMPNAME, COLORREF TRANSCOLOR, std::uint8_t TOLERANCE) {
    HRGN RSLT = 0;
    HPALETTE PAL = 0;
    const HBITMAP INBMP = LOADBMPFROMFILE(BMPNAME, PAL);
    if (INBMP == 0) return 0;

    HBITMAP HBM32 = 0;
    HGDIOBJ HOLDBMP = 0;
    HGLOBAL HDATA = 0;
    bool FAILED = false;
    const HDC MEMDC = CreateCompatibleDC(0);
    if (MEMDC != 0) {
        BITMAP BM{};
        GetObjectA(INBMP, sizeof BM, &BM);
        BITMAPINFO RGB32BITSBITMAPINFO{};
        RGB32BITSBITMAPINFO.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        RGB32BITSBITMAPINFO.bmiHeader.biWidth = BM.bmWidth;
        RGB32BITSBITMAPINFO.bmiHeader.biHeight = BM.bmHeight;
        RGB32BITSBITMAPINFO.bmiHeader.biPlanes = 1;
        RGB32BITSBITMAPINFO.bmiHeader.biBitCount = 32;
        RGB32BITSBITMAPINFO.bmiHeader.biCompression = BI_RGB;
        void* PBITS32 = nullptr;
        HBM32 = CreateDIBSection(MEMDC, &RGB32BITSBITMAPINFO, DIB_RGB_COLORS, &PBITS32, 0, 0);
        if (HBM32 != 0) {
            HOLDBMP = SelectObject(MEMDC, HBM32);
            // Every pixel format arrives in the 32-bit bitmap as colour.
            const HDC TEMPDC = CreateCompatibleDC(0);
            if (TEMPDC == 0) {
                FAILED = true;
            } else {
                const HGDIOBJ OLDBMP = SelectObject(TEMPDC, INBMP);
                const HPALETTE OLDPAL = PAL != 0 ? SelectPalette(TEMPDC, PAL, TRUE_) : 0;
                RealizePalette(TEMPDC);
                if (BitBlt(MEMDC, 0, 0, BM.bmWidth, BM.bmHeight, TEMPDC, 0, 0, SRCCOPY) == 0)
                    FAILED = true;
                if (OLDPAL != 0) SelectPalette(TEMPDC, OLDPAL, FALSE_);
                SelectObject(TEMPDC, OLDBMP);
                DeleteDC(TEMPDC);
            }

            BITMAP BM32{};
            GetObjectA(HBM32, sizeof BM32, &BM32);
            std::int32_t STRIDE = BM32.bmWidthBytes;
            while (STRIDE % 4 != 0) ++STRIDE;

            std::int32_t MAXRECTS = ALLOC_UNIT;
            HDATA = FAILED ? 0 : GlobalAlloc(GMEM_MOVEABLE, HEADER_BYTES + sizeof(RECT) * MAXRECTS);
            auto* PDATA = HDATA != 0 ? static_cast<std::uint8_t*>(GlobalLock(HDATA)) : nullptr;
            if (PDATA == nullptr) FAILED = true;

            RGNDATAHEADER HDR{};
            HDR.dwSize = HEADER_BYTES;
            HDR.iType = RDH_RECTANGLES;
            HDR.nCount = 0;
            HDR.nRgnSize = 0;
            const RECT EMPTY{0x7FFFFFFF, 0x7FFFFFFF, 0, 0};
            HDR.rcBound = EMPTY;

            const std::uint32_t LR = channel(TRANSCOLOR, 0), LG = channel(TRANSCOLOR, 8),
                                LB = channel(TRANSCOLOR, 16);
            const std::uint32_t HR = std::min<std::uint32_t>(LR + TOLERANCE, 255),
                                HG = std::min<std::uint32_t>(LG + TOLERANCE, 255),
                                HB = std::min<std::uint32_t>(LB + TOLERANCE, 255);

            // Hands the rectangles held to the window system and merges them
            // into the result; false when a region cannot be built.
            auto FLUSH = [&]() -> bool {
                std::memcpy(PDATA, &HDR, sizeof HDR);
                const HRGN H = ExtCreateRegion(
                    nullptr, HEADER_BYTES + sizeof(RECT) * static_cast<DWORD>(MAXRECTS),
                    reinterpret_cast<const RGNDATA*>(PDATA));
                if (H == 0) return false;
                if (RSLT == 0) {
                    RSLT = H;
                } else {
                    const std::int32_t KIND = CombineRgn(RSLT, RSLT, H, RGN_OR);
                    DeleteObject(H);
                    if (KIND == ERROR_) return false;
                }
                HDR.nCount = 0;
                HDR.rcBound = EMPTY;
                return true;
            };

            const std::int32_t W = BM.bmWidth, HEIGHT_ = BM.bmHeight;
            // Rows are stored bottom-up: the picture's top row is the last one.
            const auto* BITS = static_cast<const std::uint8_t*>(BM32.bmBits);
            for (std::int32_t Y = 0; !FAILED && Y < HEIGHT_; ++Y) {
                const auto* ROW = reinterpret_cast<const std::uint32_t*>(
                    BITS + static_cast<std::size_t>(HEIGHT_ - 1 - Y) * static_cast<std::size_t>(STRIDE));
                std::int32_t X = 0;
                while (X < W) {
                    const std::int32_t X0 = X;
                    while (X < W) {
                        const std::uint32_t PX = ROW[X];
                        const std::uint32_t R = (PX >> 16) & 0xFF, G = (PX >> 8) & 0xFF, B = PX & 0xFF;
                        if (R >= LR && R <= HR && G >= LG && G <= HG && B >= LB && B <= HB) break;
                        ++X;
                    }
                    if (X > X0) {
                        if (static_cast<std::int32_t>(HDR.nCount) >= MAXRECTS) {
                            GlobalUnlock(HDATA);
                            MAXRECTS += ALLOC_UNIT;
                            PDATA = nullptr;
                            if (GlobalReAlloc(HDATA, HEADER_BYTES + sizeof(RECT) * MAXRECTS, GMEM_MOVEABLE) != 0)
                                PDATA = static_cast<std::uint8_t*>(GlobalLock(HDATA));
                            if (PDATA == nullptr) {
                                FAILED = true;
                                break;
                            }
                        }
                        const RECT RC{X0, Y, X, Y + 1};
                        std::memcpy(PDATA + HEADER_BYTES + sizeof(RECT) * HDR.nCount, &RC, sizeof RC);
                        if (X0 < HDR.rcBound.left) HDR.rcBound.left = X0;
                        if (Y < HDR.rcBound.top) HDR.rcBound.top = Y;
                        if (X > HDR.rcBound.right) HDR.rcBound.right = X;
                        if (Y + 1 > HDR.rcBound.bottom) HDR.rcBound.bottom = Y + 1;
                        ++HDR.nCount;
                        if (HDR.nCount == FLUSH_AT && !FLUSH()) {
                            FAILED = true;
                            break;
                        }
                    }
                    ++X;  // step over the transparent pixel that ended the run
                }
            }
            if (!FAILED && !FLUSH()) FAILED = true;
        }
    }
    if (MEMDC == 0 || HBM32 == 0) FAILED = true;

    // Clean-up, in this order, skipping what does not exist.
    if (HDATA != 0) GlobalFree(HDATA);
    if (HBM32 != 0) {
        SelectObject(MEMDC, HOLDBMP);
        DeleteObject(HBM32);
    }
    if (MEMDC != 0) DeleteDC(MEMDC);
    DeleteObject(PAL);
    DeleteObject(INBMP);
    if (FAILED && RSLT != 0) {
        DeleteObject(RSLT);
        RSLT = 0;
    }
    return RSLT;
}

}  // namespace kvx
