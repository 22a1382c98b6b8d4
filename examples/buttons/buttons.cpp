// The image-button example: a library window with a status bar and three
// hover image buttons (a red disc, a green diamond, a blue star).  Each
// button lights up under the pointer and looks pushed in while pressed; a
// click paints the window in the button's colour and says so in the status
// bar.  Escape or the close box ends it.
//
// It runs from its build directory, where gen_button_pictures paints the
// pictures (redN.BMP, redH.BMP, redP.BMP, ...).
// Depends on: Kalvox (window, frame loop, status bar, image buttons), OpenGL.
#include <GL/gl.h>

#include "Kalvox/KvxButtons.h"
#include "Kalvox/KvxWindow.h"

using namespace kvx;

namespace {

struct ButtonInfo {
    const char* pictures;  // BMPTYPE: the common beginning of its three file names
    std::int32_t id;       // control identifier, WPARAM of its WM_COMMAND
    std::int32_t x, y;     // top-left corner in the window's client area
    float r, g, b;         // the colour a click paints the window in
    const char* says;      // the status bar's text after a click
};

const ButtonInfo BUTTONS[] = {
    {"red", 101, 60, 70, 0.55f, 0.12f, 0.10f, "Red disc clicked"},
    {"green", 102, 204, 70, 0.10f, 0.45f, 0.18f, "Green diamond clicked"},
    {"blue", 103, 348, 70, 0.12f, 0.22f, 0.55f, "Blue star clicked"},
};

float g_clear[3] = {0.15f, 0.15f, 0.17f};

void SAY(const char* text) { plat::SendMessagePtr(HSTATUS, plat::SB_SETTEXTA, 0, text); }

// WM_COMMAND from a button: the library passes it on while SHOWMENUBAR is set.
plat::LRESULT ONCOMMAND(plat::HWND, plat::UINT, plat::WPARAM wp, plat::LPARAM) {
    for (const ButtonInfo& b : BUTTONS)
        if (plat::LOWORD(static_cast<std::uint32_t>(wp)) == b.id) {
            g_clear[0] = b.r;
            g_clear[1] = b.g;
            g_clear[2] = b.b;
            SAY(b.says);
        }
    return 0;
}

// No menus: the menu switch is on only so that commands reach ONCOMMAND.
void NOMENU() {}

void DRAW() {
    glClearColor(g_clear[0], g_clear[1], g_clear[2], 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
}

}  // namespace

int main() {
    OGLWINDOWSETTING(ARROW, "", GENERIC, "");
    SHOWSTATUSBAR = true;
    SHOWMENUBAR = true;
    CREATEMENUBAR = NOMENU;
    CREATEMOUSEMENU = NOMENU;
    GETINPUTCOMMAND = ONCOMMAND;
    CREATEOGLWINDOW("Kalvox image buttons", 480, 300, 32, false);
    SAY("Point at a button, then click it");

    // The buttons, each from its own three pictures.
    for (const ButtonInfo& b : BUTTONS) {
        BMPTYPE = b.pictures;
        plat::CreateWindowExA(0, SZHOVERCLASS, "", plat::WS_CHILD | plat::WS_VISIBLE, b.x, b.y, 0,
                              0, HWINDOW, static_cast<plat::HMENU>(b.id),
                              plat::GetModuleInstance(), nullptr);
    }

    do {
        SETGLMSGWITHFPS(DCWINDOW, DRAW);
    } while (ACTIVE);
    DELETEOGLWINDOW();
    return 0;
}
