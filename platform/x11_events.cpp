// Event translation of the X11 backend: X events of the program's windows
// become input messages (keys, mouse), exposures, configuration changes,
// close requests and destructions, in the window system's terms.
// Depends on x11_internal.h and x11_keys.h.
#include "platform/x11_internal.h"
#include <X11/keysym.h>

#include <cstdio>

#include "platform/x11_keys.h"

namespace plat::x11 {

namespace {

WPARAM mouse_state(unsigned state) {
    WPARAM w = 0;
    if ((state & Button1Mask) != 0) w |= MK_LBUTTON;
    if ((state & Button3Mask) != 0) w |= MK_RBUTTON;
    if ((state & Button2Mask) != 0) w |= MK_MBUTTON;
    if ((state & ShiftMask) != 0) w |= MK_SHIFT;
    if ((state & ControlMask) != 0) w |= MK_CONTROL;
    return w;
}

bool is_keypad_nav(KeySym ks) {
    return (ks >= XK_KP_Home && ks <= XK_KP_Delete) || ks == XK_KP_Begin;
}

void trace_event(const XEvent& xe) {
    std::fprintf(stderr, "kvx-x11: event %d window 0x%lx", xe.type, xe.xany.window);
    if (xe.type == MotionNotify || xe.type == ButtonPress || xe.type == ButtonRelease) {
        // The three share their leading fields.
        const XButtonEvent& b = xe.xbutton;
        std::fprintf(stderr, " child 0x%lx at %d,%d root %d,%d state 0x%x", b.subwindow, b.x, b.y,
                     b.x_root, b.y_root, b.state);
    }
    std::fputc('\n', stderr);
}

}  // namespace

bool X11Backend::next_event(NativeEvent& ev) {
    for (;;) {
        XEvent xe;
        if (!held_events.empty()) {
            xe = held_events.front();
            held_events.pop_front();
        } else if (XPending(dpy) > 0) {
            XNextEvent(dpy, &xe);
        } else {
            return false;
        }
        if (trace_enabled()) trace_event(xe);
        if (route_to_box(xe)) continue;
        ev = NativeEvent{};
        if (translate(xe, ev)) return true;
    }
}

bool X11Backend::translate_key(XEvent& xe, NativeEvent& ev) {
    const bool press = xe.type == KeyPress;
    const unsigned kc = xe.xkey.keycode & 0xFFu;
    if (!press && XEventsQueued(dpy, QueuedAfterReading) > 0) {
        // Without detectable autorepeat a repeat is a release and a press at
        // the same time: keep only the press.
        XEvent next;
        XPeekEvent(dpy, &next);
        if (next.type == KeyPress && next.xkey.keycode == xe.xkey.keycode &&
            next.xkey.time == xe.xkey.time && next.xkey.window == xe.xkey.window)
            return false;
    }
    KeySym ks = XLookupKeysym(&xe.xkey, 0);
    if (is_keypad_nav(ks) && (xe.xkey.state & numlock_mask) != 0) {
        const KeySym with_numlock = XLookupKeysym(&xe.xkey, 1);
        if ((with_numlock >= XK_KP_0 && with_numlock <= XK_KP_9) || with_numlock == XK_KP_Decimal ||
            with_numlock == XK_KP_Separator)
            ks = with_numlock;
    }
    const std::uint32_t scan = kc >= 8 ? kc - 8 : 0;
    WPARAM vk = keysym_to_vk(static_cast<std::uint32_t>(ks));
    // Another layout's letter: the key's shifted level, else its place on
    // the keyboard.
    if (vk == 0) vk = keysym_to_vk(static_cast<std::uint32_t>(XLookupKeysym(&xe.xkey, 1)));
    if (vk == 0) vk = scan_code_to_vk(scan);
    if (vk == 0) return false;
    const HWND hwnd = hwnd_of(xe.xkey.window);
    if (hwnd == 0) return false;
    const bool was_down = key_down_[kc];
    key_down_[kc] = press;
    const bool alt_held = (xe.xkey.state & Mod1Mask) != 0;
    ev.kind = NativeEvent::Input;
    ev.hwnd = hwnd;
    ev.msg.hwnd = hwnd;
    ev.msg.message = key_message(vk, press, alt_held);
    ev.msg.wParam = vk;
    ev.msg.lParam = key_lparam(scan, was_down, !press, alt_held);
    ev.msg.time = static_cast<DWORD>(xe.xkey.time);
    ev.msg.pt = {xe.xkey.x_root, xe.xkey.y_root};
    return true;
}

bool X11Backend::translate_button(XEvent& xe, NativeEvent& ev) {
    const bool press = xe.type == ButtonPress;
    UINT msg = 0;
    WPARAM bit = 0;
    switch (xe.xbutton.button) {
        case Button1:
            msg = press ? WM_LBUTTONDOWN : WM_LBUTTONUP;
            bit = MK_LBUTTON;
            break;
        case Button3:
            msg = press ? WM_RBUTTONDOWN : WM_RBUTTONUP;
            bit = MK_RBUTTON;
            break;
        default:
            return false;  // middle button and wheel: no messages
    }
    const HWND hwnd = hwnd_of(xe.xbutton.window);
    if (hwnd == 0) return false;
    WPARAM state = mouse_state(xe.xbutton.state);  // as it was before the event
    state = press ? (state | bit) : (state & ~bit);
    ev.kind = NativeEvent::Input;
    ev.hwnd = hwnd;
    ev.msg.hwnd = hwnd;
    ev.msg.message = msg;
    ev.msg.wParam = state;
    ev.msg.lParam = MAKELPARAM(xe.xbutton.x, xe.xbutton.y);
    ev.msg.time = static_cast<DWORD>(xe.xbutton.time);
    ev.msg.pt = {xe.xbutton.x_root, xe.xbutton.y_root};
    return true;
}

bool X11Backend::translate(XEvent& xe, NativeEvent& ev) {
    switch (xe.type) {
        case KeyPress:
        case KeyRelease:
            return translate_key(xe, ev);
        case ButtonPress:
        case ButtonRelease:
            return translate_button(xe, ev);
        case MotionNotify: {
            // Runs of moves collapse into the last one.
            while (XEventsQueued(dpy, QueuedAlready) > 0) {
                XEvent next;
                XPeekEvent(dpy, &next);
                if (next.type != MotionNotify || next.xmotion.window != xe.xmotion.window ||
                    next.xmotion.state != xe.xmotion.state)
                    break;
                XNextEvent(dpy, &xe);
            }
            const HWND hwnd = hwnd_of(xe.xmotion.window);
            if (hwnd == 0) return false;
            ev.kind = NativeEvent::Input;
            ev.hwnd = hwnd;
            ev.msg.hwnd = hwnd;
            ev.msg.message = WM_MOUSEMOVE;
            ev.msg.wParam = mouse_state(xe.xmotion.state);
            ev.msg.lParam = MAKELPARAM(xe.xmotion.x, xe.xmotion.y);
            ev.msg.time = static_cast<DWORD>(xe.xmotion.time);
            ev.msg.pt = {xe.xmotion.x_root, xe.xmotion.y_root};
            return true;
        }
        case Expose: {
            const HWND hwnd = hwnd_of(xe.xexpose.window);
            if (hwnd == 0) return false;
            ev.kind = kExposeEvent;
            ev.hwnd = hwnd;
            ev.rect = {xe.xexpose.x, xe.xexpose.y, xe.xexpose.x + xe.xexpose.width,
                       xe.xexpose.y + xe.xexpose.height};
            return true;
        }
        case ConfigureNotify: {
            const HWND hwnd = hwnd_of(xe.xconfigure.window);
            NativeWin* w = find_alive(hwnd);
            if (w == nullptr || w->win != xe.xconfigure.window) return false;
            const bool resized = w->client_w != xe.xconfigure.width ||
                                 w->client_h != xe.xconfigure.height;
            w->client_w = xe.xconfigure.width;
            w->client_h = xe.xconfigure.height;
            if (resized && w->gl != 0)
                XResizeWindow(dpy, w->gl, static_cast<unsigned>(w->client_w),
                              static_cast<unsigned>(w->client_h));
            if (w->parent != 0) return false;  // children move only when the core moves them
            POINT origin{};
            if (!window_rect(hwnd, ev.rect, origin)) return false;
            ev.kind = NativeEvent::Configure;
            ev.hwnd = hwnd;
            return true;
        }
        case ClientMessage: {
            if (xe.xclient.message_type != atoms.wm_protocols || xe.xclient.format != 32 ||
                static_cast<Atom>(xe.xclient.data.l[0]) != atoms.wm_delete_window)
                return false;
            const HWND hwnd = hwnd_of(xe.xclient.window);
            if (hwnd == 0) return false;
            ev.kind = NativeEvent::Close;
            ev.hwnd = hwnd;
            return true;
        }
        case DestroyNotify: {
            // Only windows we did not destroy are still in the table.
            const HWND hwnd = hwnd_of(xe.xdestroywindow.window);
            NativeWin* w = find_alive(hwnd);
            if (w == nullptr || w->win != xe.xdestroywindow.window) return false;
            mark_dead(w->win);
            ev.kind = NativeEvent::Destroyed;
            ev.hwnd = hwnd;
            return true;
        }
        case MapNotify: {
            NativeWin* w = find_alive(hwnd_of(xe.xmap.window));
            if (w == nullptr || w->win != xe.xmap.window) return false;
            if (w->focus_on_map) {
                w->focus_on_map = false;
                take_focus(w->win);
            }
            return false;
        }
        case PropertyNotify: {
            if (xe.xproperty.atom != atoms.net_frame_extents) return false;
            NativeWin* w = find_alive(hwnd_of(xe.xproperty.window));
            if (w == nullptr || w->win != xe.xproperty.window) return false;
            frame_changed(*w);
            return false;
        }
        case MappingNotify:
            if (xe.xmapping.request == MappingKeyboard || xe.xmapping.request == MappingModifier)
                XRefreshKeyboardMapping(&xe.xmapping);
            return false;
        default:
            return false;
    }
}

}  // namespace plat::x11
