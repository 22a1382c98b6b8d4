// Kalvox window procedure, input state and mouse view: GLWNDPROC turns the
// window system's messages into the key table, button flags, mouse positions,
// view angles and depth; SETGLMOUSEMOVE applies the view to the current
// OpenGL matrix.
// Depends on: platform/win.h, KvxGeometry (TGLVERTEX), runtime (checked
// arrays and arithmetic), OpenGL.
#include <GL/gl.h>

#include "Kalvox/KvxWindow.h"

namespace kvx {

using namespace plat;

rt::Array<std::int32_t, 0, 500> SETKEY{};
bool LEFTMOUSEDOWN = false, RIGHTMOUSEDOWN = false;
bool LEFTMOUSEDOWN2 = false, RIGHTMOUSEDOWN2 = false;
bool MOUSEFREE = false;
std::int32_t SETMX = 0, SETMY = 0;
std::int32_t SETOMX = 0, SETOMY = 0;
std::int32_t XCOORD = 0, YCOORD = 0;
std::int32_t ZCOORD = 0;
POINT MPOS{};

float XROT = 0, YROT = 0, DEPTH = 0;
float XROT2 = 0, YROT2 = 0, DEPTH2 = 0;
std::int32_t MSPEED = 0;
TGLVERTEX MY{};

namespace {

constexpr std::int32_t KEY_TRUE = -1;  // a 32-bit boolean's true: all bits set

// value + (diff / divisor) * MSPEED, formed in extended precision and stored
// once as single.
float step(float value, std::int32_t diff, long double divisor) {
    return static_cast<float>(static_cast<long double>(value) +
                              (static_cast<long double>(diff) / divisor) *
                                  static_cast<long double>(MSPEED));
}
float step_down(float value, std::int32_t diff, long double divisor) {
    return static_cast<float>(static_cast<long double>(value) -
                              (static_cast<long double>(diff) / divisor) *
                                  static_cast<long double>(MSPEED));
}
float clamp60(float v) {
    if (v > 60) return 60;
    if (v < -60) return -60;
    return v;
}

void mouse_move(std::int32_t x, std::int32_t y) {
    SETOMX = x;
    SETOMY = y;
    if (LEFTMOUSEDOWN) {
        const std::int32_t dy = rt::sub(y, YCOORD);
        const std::int32_t dx = rt::sub(x, XCOORD);
        XROT = step(XROT, dy, 2);
        YROT = step(YROT, dx, 2);
        XROT2 = step(XROT2, dy, 2);
        YROT2 = step(YROT2, dx, 2);
        XCOORD = x;
        YCOORD = y;
    }
    if (RIGHTMOUSEDOWN && !MOUSEFREE) {
        const std::int32_t dz = rt::sub(y, ZCOORD);
        DEPTH = step_down(DEPTH, dz, 10);
        DEPTH2 = step_down(DEPTH2, dz, 10);
        ZCOORD = y;
    }
    if (MOUSEFREE && GetForegroundWindow() == HWINDOW) {
        GetCursorPos(&MPOS);
        SetCursorPos(WIDTH / 2, HEIGHT / 2);
        const std::int32_t dx = rt::sub(MPOS.x, WIDTH / 2);
        const std::int32_t dy = rt::sub(HEIGHT / 2, MPOS.y);
        XROT = step(XROT, dx, 100);
        YROT = clamp60(step_down(YROT, dy, 100));
        XROT2 = step(XROT2, dx, 100);
        YROT2 = clamp60(step_down(YROT2, dy, 100));
    }
}

}  // namespace

namespace detail {

LRESULT GLWNDPROC(HWND WINDOW, UINT AMESSAGE, WPARAM WPARAM, LPARAM LPARAM) {
    switch (AMESSAGE) {
        case WM_CREATE:
            ACTIVE = true;
            return 0;
        case WM_DESTROY:
            ACTIVE = false;
            PostQuitMessage(0);
            return 0;
        case WM_PAINT: {
            PAINTSTRUCT ps{};
            BeginPaint(WINDOW, &ps);
            UpdateWindow(HSTATUS);
            EndPaint(WINDOW, &ps);
            return 0;
        }
        case WM_CONTEXTMENU:
            if (SHOWMENUBAR && CREATEMOUSEMENU != nullptr) CREATEMOUSEMENU();
            break;
        case WM_KEYDOWN:
            if (WPARAM == VK_ESCAPE) {
                // Runs the destroy handling only; the window stays until
                // DELETEOGLWINDOW.
                SendMessageA(HWINDOW, WM_DESTROY, 0, 0);
                return 0;
            }
            SETKEY[WPARAM] = KEY_TRUE;
            break;
        case WM_KEYUP:
            SETKEY[WPARAM] = 0;
            MOUSEFREE = false;
            break;
        case WM_COMMAND:
            if (SHOWMENUBAR && GETINPUTCOMMAND != nullptr)
                GETINPUTCOMMAND(WINDOW, AMESSAGE, WPARAM, LPARAM);
            return 0;
        case WM_MOUSEMOVE:
            mouse_move(GET_X_LPARAM(LPARAM), GET_Y_LPARAM(LPARAM));
            break;
        case WM_LBUTTONDOWN:
            ReleaseCapture();
            SetCapture(HWINDOW);
            LEFTMOUSEDOWN = LEFTMOUSEDOWN2 = true;
            XCOORD = SETMX = GET_X_LPARAM(LPARAM);
            YCOORD = SETMY = GET_Y_LPARAM(LPARAM);
            break;
        case WM_LBUTTONUP:
            ReleaseCapture();
            LEFTMOUSEDOWN = LEFTMOUSEDOWN2 = false;
            XCOORD = YCOORD = SETMX = SETMY = 0;
            break;
        case WM_RBUTTONDOWN:
            ReleaseCapture();
            SetCapture(HWINDOW);
            RIGHTMOUSEDOWN = RIGHTMOUSEDOWN2 = true;
            ZCOORD = GET_Y_LPARAM(LPARAM);
            break;
        case WM_RBUTTONUP:
            ReleaseCapture();
            RIGHTMOUSEDOWN = RIGHTMOUSEDOWN2 = false;
            break;
        default:
            // Everything else, the screen-saver and monitor-power system
            // commands and the timer included, takes default processing.
            break;
    }
    if (WPARAM == 0) UpdateWindow(HSTATUS);
    return DefWindowProcA(WINDOW, AMESSAGE, WPARAM, LPARAM);
}

}  // namespace detail

void SETGLMOUSEMOVE(std::int32_t XYZ, std::int32_t SPEED) {
    MSPEED = SPEED;
    float ax, ay, az, bx, by, bz;
    switch (XYZ) {
        case GL_M0: MY = {0, 0, -DEPTH}; ax = 1; ay = 0; az = 0; bx = 0; by = 1; bz = 0; break;
        case GL_MX: MY = {0, -DEPTH, 0}; ax = 1; ay = 0; az = 0; bx = 0; by = 0; bz = 1; break;
        case GL_MY: MY = {-DEPTH, 0, 0}; ax = 0; ay = 0; az = -1; bx = 0; by = 1; bz = 0; break;
        case GL_MZ: MY = {0, 0, -DEPTH}; ax = 0; ay = 1; az = 0; bx = 1; by = 0; bz = 0; break;
        default: return;
    }
    glTranslatef(MY.X, MY.Y, MY.Z);
    glRotatef(XROT, ax, ay, az);
    glRotatef(YROT, bx, by, bz);
}

}  // namespace kvx
