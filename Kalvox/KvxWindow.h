// Kalvox window, input and frame loop: the module-level window settings, the
// creation and teardown of the one rendering window with its pixel format and
// OpenGL context, the window procedure and the input state it keeps, the
// message-driven frame loop with its frame counter and smoothed elapsed time,
// mouse view control and the status bar.
// Depends on: platform/win.h (window system), KvxGeometry (TGLVERTEX and the
// vertex-recording switches), runtime (checked arrays, run-time errors),
// OpenGL.
#pragma once

#include <cstdint>
#include <string>

#include "Kalvox/KvxGeometry.h"
#include "platform/win.h"
#include "runtime/runtime.h"

namespace kvx {

// A routine without parameters or result: the frame callback handed to
// SETGLMSGWITHFPS and the application hooks CREATEMENUBAR and CREATEMOUSEMENU.
using KVXPROCEDURE = void (*)();
// The command hook: a window procedure's parameters, its result discarded.
using KVXINPUTCOMMAND = plat::LRESULT (*)(plat::HWND, plat::UINT, plat::WPARAM, plat::LPARAM);

// ================================================================ settings
// Cursor kinds for SETTYPECURSOR.
constexpr std::int32_t ARROW = 1, IBEAM = 2, WAIT = 3, CROSS = 4, UPARROW = 5, SIZE = 6,
                       FILECURSOR = 7, SIZENWSE = 8, SIZENESW = 9, SIZEWE = 10, SIZENS = 11,
                       SIZEALL = 12, NOCURSOR = 13, HAND = 14, APPSTARTING = 15, HELP = 16;
// Icon kinds for SETTYPEICON.
constexpr std::int32_t GENERIC = 1, FILEICON = 2;
// A window-style value and a set of pixel-format flag bits (double buffer,
// stereo, draw to window, OpenGL support, DirectDraw support); the library
// itself uses neither.
constexpr std::int32_t WS_TOOLS = 1389303808;
constexpr std::int32_t KVX_ACCELERATION = 8231;

// Window globals.  Zero, false or null at start unless noted.
extern plat::HWND HWINDOW;        // the rendering window
extern plat::HDC DCWINDOW;        // device context of its client area
extern plat::HGLRC RCWINDOW;      // its OpenGL rendering context
extern std::int32_t WIDTH;        // size as requested; the screen size in full-screen form
extern std::int32_t HEIGHT;
extern std::int32_t BITS;         // bits for the pixel format, 0..255
extern bool FULLSCREEN;
extern bool ACTIVE;               // true from the creation message to the destroy message
extern std::int32_t PIXEL_FORMAT_FLAGS;  // extra pixel-format flags, must be >= 0
extern std::int32_t SETTYPECURSOR;
extern const char* CURSORFILE;    // kept as a pointer, not copied
extern std::int32_t SETTYPEICON;
extern const char* ICONFILE;      // kept as a pointer, not copied
extern bool SHOWMENUBAR;          // initially false; true: call the application's menu hooks
extern KVXPROCEDURE CREATEMENUBAR;
extern KVXPROCEDURE CREATEMOUSEMENU;
extern KVXINPUTCOMMAND GETINPUTCOMMAND;  // null
extern bool SHOWSTATUSBAR;        // initially false; true: create a status bar with the window
extern plat::HWND HSTATUS;        // the status bar
extern std::uint32_t START;       // tick count taken by OGLWINDOWSETTING in free look
extern bool FOGONOFF;
extern std::uint32_t OBJNULL;     // the empty display list made by OGLWINDOWSETTING
extern plat::WNDCLASSEXA WINDOWCLASSEX;  // record of the image-button class
extern std::string KVXVERSION;    // "1.0"

// Records the cursor and icon choice (the texts are kept as pointers and must
// stay valid until CREATEOGLWINDOW), makes an empty display list in whatever
// context is current (none at all is harmless) and switches vertex recording
// off.  In free look it also takes START and centres the cursor.
void OGLWINDOWSETTING(std::int32_t TYPECURSOR, const char* CURFILE, std::int32_t TYPEICON,
                      const char* ICOFILE);

// Registers the "GLWindow" class, creates the window (windowed: APPWIDTH by
// APPHEIGHT at the top-left corner; full screen: a bordered pop-up covering the
// screen), the optional menu and status bar, the pixel format and the OpenGL
// context, made current on the calling thread.  Returns true; every failure
// shows its message in a box captioned "Error" and ends the program with exit
// code 1.  BITS outside 0..255 or a negative PIXEL_FORMAT_FLAGS stop the
// program with the range-check run-time error.
bool CREATEOGLWINDOW(const char* APPNAME, std::int32_t APPWIDTH, std::int32_t APPHEIGHT,
                     std::int32_t APPBITS, bool APPFULLSCREEN);

// Releases the context and destroys the window; the handles keep their values.
// Harmless when the window is already gone.
void DELETEOGLWINDOW();

// ================================================================ input
// Virtual-key table: -1 (all bits set) while the key is down, 0 otherwise.
// Escape's entry is never set; Alt combinations and F10 are not tracked.
extern rt::Array<std::int32_t, 0, 500> SETKEY;
extern bool LEFTMOUSEDOWN, RIGHTMOUSEDOWN;
extern bool LEFTMOUSEDOWN2, RIGHTMOUSEDOWN2;
extern bool MOUSEFREE;                 // free look, until the next key release
extern std::int32_t SETMX, SETMY;      // last left-button press, 0 after release
extern std::int32_t SETOMX, SETOMY;    // last mouse move
extern std::int32_t XCOORD, YCOORD;    // reference point of a left drag
extern std::int32_t ZCOORD;            // reference height of a right drag
extern plat::POINT MPOS;               // cursor position read in free look (screen)

// ================================================================ mouse view
// First argument of SETGLMOUSEMOVE.
constexpr std::int32_t GL_M0 = 0, GL_MX = 1, GL_MY = 2, GL_MZ = 3;
// Further constants of the interface, taken by no routine of the library.
constexpr std::int32_t GL_ML = 1, GL_MR = 2, GL_MOFF = 3;

extern float XROT, YROT, DEPTH;        // view angles (degrees) and depth
extern float XROT2, YROT2, DEPTH2;     // changed like the three above, never read
extern std::int32_t MSPEED;            // speed factor of mouse updates
extern TGLVERTEX MY;                   // translation applied by the last SETGLMOUSEMOVE

// Sets MSPEED := SPEED, then (for XYZ 0..3) multiplies the current matrix by
// the translation by DEPTH along the mode's axis and the rotations by XROT and
// YROT about the mode's two axes.  Other modes only set MSPEED.
void SETGLMOUSEMOVE(std::int32_t XYZ, std::int32_t SPEED);

// ================================================================ frame loop
constexpr std::uint32_t FPS_TIMER = 1;
constexpr std::uint32_t FPS_INTERVAL = 500;

// Frames drawn by all calls of the frame loop together; wraps past 2^31-1.
extern std::int32_t FPSCOUNT;
// Smoothed milliseconds since the current call of the loop began: after each
// frame the mean (rounded down) of its previous value and the time since
// entry.  The time since entry is the unsigned 32-bit difference of tick
// counts, so a tick-counter wrap during a call is harmless; the value wraps
// rather than stopping the program when it leaves the 32-bit signed range.
extern std::int32_t ELAPSEDTIME;

// Takes at most one message per pass (dispatching it) and draws a frame in
// each pass that finds the queue empty: counts it, updates ELAPSEDTIME, calls
// DRAWSCENE (a null routine draws an empty frame) and swaps DCWND's buffers.
// Returns when the quit message has been taken from the queue (it is
// consumed).  Never sleeps.
void SETGLMSGWITHFPS(plat::HDC DCWND, KVXPROCEDURE DRAWSCENE);

// Starts timer TIMER on HWINDOW with period INTERVAL ms (WM_TIMER messages).
void SETGLTIMER(std::uint32_t TIMER, std::uint32_t INTERVAL);

// ================================================================ status bar
extern rt::Array<std::int32_t, 1, 20> STATUSITEM;  // part edges set by the application
extern rt::Array<std::int32_t, 1, 20> EDGES;       // copy handed to the status bar
extern std::int32_t MAXSTATUSITEM;                 // number of parts, 0..20
extern rt::Array<char, 0, 260> FILENAME;           // text buffer of the status bar
extern plat::HWND AWND;                            // the status bar created last

// Creates a status bar with the text "Percorso file" on PARENT and gives it
// the first MAXSTATUSITEM edges of STATUSITEM.  Returns its handle, 0 on failure.
plat::HWND CREATESTATUSBAR(plat::HWND PARENT);

// ================================================================ internals
// Exposed for tests; applications do not call these.
namespace detail {
// The window procedure of the class "GLWindow".
plat::LRESULT GLWNDPROC(plat::HWND WINDOW, plat::UINT AMESSAGE, plat::WPARAM WPARAM,
                        plat::LPARAM LPARAM);
bool WINDOWREGISTER();
plat::HWND WINDOWCREATE(const char* PCAPPLICATIONNAME);
bool WINDOWINIT(plat::HWND HPARENT);
[[noreturn]] void THROWERROR(const char* PCERRORMESSAGE);
// The pixel-format request WINDOWINIT fills last.
extern plat::PIXELFORMATDESCRIPTOR PFD;
// Fills PFD from BITS and PIXEL_FORMAT_FLAGS (range-checked).
void FILLDESCRIPTOR();
}  // namespace detail

}  // namespace kvx
