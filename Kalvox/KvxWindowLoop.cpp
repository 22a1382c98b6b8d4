// Kalvox frame loop, timer and status bar: SETGLMSGWITHFPS alternates between
// the message queue and drawing, counting frames and keeping the smoothed
// elapsed time; SETGLTIMER starts the window's timer; CREATESTATUSBAR makes
// the status bar.
// Depends on: platform/win.h, runtime (checked arrays).
#include <cstring>

#include "Kalvox/KvxWindow.h"

namespace kvx {

using namespace plat;

std::int32_t FPSCOUNT = 0;
std::int32_t ELAPSEDTIME = 0;

rt::Array<std::int32_t, 1, 20> STATUSITEM{};
rt::Array<std::int32_t, 1, 20> EDGES{};
std::int32_t MAXSTATUSITEM = 0;
rt::Array<char, 0, 260> FILENAME{};
HWND AWND = 0;

void SETGLMSGWITHFPS(HDC DCWND, KVXPROCEDURE DRAWSCENE) {
    bool STOPPED = false;
    const DWORD DEMOSTART = GetTickCount();
    MSG msg{};
    while (!STOPPED) {
        if (PeekMessageA(&msg, 0, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                STOPPED = true;
            } else {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            continue;
        }
        // The counters wrap instead of stopping the program; the time since
        // entry is an unsigned difference, so a tick-counter wrap is harmless.
        FPSCOUNT = static_cast<std::int32_t>(static_cast<std::uint32_t>(FPSCOUNT) + 1u);
        const std::uint32_t LASTTIME = static_cast<std::uint32_t>(ELAPSEDTIME);
        const std::uint32_t since = GetTickCount() - DEMOSTART;
        const std::uint64_t mean = (static_cast<std::uint64_t>(LASTTIME) + since) / 2;
        ELAPSEDTIME = static_cast<std::int32_t>(static_cast<std::uint32_t>(mean));
        if (DRAWSCENE != nullptr) DRAWSCENE();  // no routine: an empty frame
        SwapBuffers(DCWND);
    }
}

void SETGLTIMER(std::uint32_t TIMER, std::uint32_t INTERVAL) {
    SetTimer(HWINDOW, TIMER, INTERVAL, nullptr);
}

HWND CREATESTATUSBAR(HWND PARENT) {
    static constexpr char TEXT[] = "Percorso file";
    std::memset(FILENAME.data(), 0, FILENAME.size());
    std::memcpy(FILENAME.data(), TEXT, sizeof TEXT - 1);
    AWND = CreateStatusWindowA(0x50000000, FILENAME.data(), PARENT, 30482);
    if (AWND != 0) {
        // A part count outside 0..20 is a programming error.
        rt::check_range(MAXSTATUSITEM, 0, 20);
        for (std::int32_t I = 1; I <= MAXSTATUSITEM; ++I) EDGES[I] = STATUSITEM[I];
        SendMessagePtr(AWND, SB_SETPARTS, MAXSTATUSITEM, static_cast<const void*>(EDGES.data()));
    }
    return AWND;
}

}  // namespace kvx
