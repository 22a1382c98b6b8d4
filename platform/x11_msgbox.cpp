// Message boxes of the X11 backend: a modal dialog window drawn with Xft
// (the text wrapped, the caption as its title, OK or Yes/No buttons), driven
// by the mouse and the keyboard (Enter, Tab, arrows, Y/N, Escape), centred on
// the screen.  While it is up, the program's other windows keep working
// through plat::core_pump_modal(); the dialog's own events never reach the
// program's queue.
// Depends on x11_internal.h (Xlib, Xft).
#include "platform/x11_internal.h"

#include <X11/keysym.h>
#include <poll.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace plat::x11 {

namespace {

constexpr std::int32_t kPad = 18;
constexpr std::int32_t kButtonW = 88;
constexpr std::int32_t kButtonH = 28;
constexpr std::int32_t kButtonGap = 10;
constexpr std::int32_t kMinWidth = 260;
constexpr std::int32_t kMaxTextWidth = 480;

// Replaces every byte that does not start a well-formed UTF-8 sequence by '?'.
std::string valid_utf8(const char* s) {
    std::string out;
    if (s == nullptr) return out;
    const std::size_t n = std::strlen(s);
    for (std::size_t i = 0; i < n;) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        if (c < 0x80) len = 1;
        else if (c >= 0xC2 && c <= 0xDF) len = 2;
        else if (c >= 0xE0 && c <= 0xEF) len = 3;
        else if (c >= 0xF0 && c <= 0xF4) len = 4;
        bool ok = len > 0 && i + len <= n;
        for (std::size_t k = 1; ok && k < len; ++k)
            ok = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (ok) {
            out.append(s + i, len);
            i += len;
        } else {
            out += '?';
            i += 1;
        }
    }
    return out;
}

std::size_t utf8_next(const std::string& s, std::size_t i) {
    ++i;
    while (i < s.size() && (static_cast<unsigned char>(s[i]) & 0xC0) == 0x80) ++i;
    return i;
}

}  // namespace

class MessageBoxWindow {
public:
    struct Button {
        const char* label;
        std::int32_t id;
        XRectangle r;
    };

    MessageBoxWindow(X11Backend& b, const std::string& text, const std::string& caption,
                     UINT style)
        : b_(b), caption_(caption) {
        switch (style & 0xFu) {
            case 1:  // OK, Cancel
                buttons_ = {{"OK", IDOK, {}}, {"Cancel", IDCANCEL, {}}};
                break;
            case 3:  // Yes, No, Cancel
                buttons_ = {{"Yes", IDYES, {}}, {"No", IDNO, {}}, {"Cancel", IDCANCEL, {}}};
                break;
            case MB_YESNO:
                buttons_ = {{"Yes", IDYES, {}}, {"No", IDNO, {}}};
                break;
            default:
                buttons_ = {{"OK", IDOK, {}}};
                break;
        }
        const std::size_t def = (style >> 8) & 0xFu;  // the default-button bits
        focus_ = def < buttons_.size() ? def : 0;
        escape_ = buttons_.back().id;  // Cancel, No, or OK
        font_ = b_.font(1);
        if (font_ != nullptr) wrap(text);
    }

    ~MessageBoxWindow() {
        if (draw_ != nullptr) XftDrawDestroy(draw_);
        if (win_ != 0) {
            b_.boxes.erase(win_);
            XDestroyWindow(b_.dpy, win_);
            XFlush(b_.dpy);
        }
    }
    MessageBoxWindow(const MessageBoxWindow&) = delete;
    MessageBoxWindow& operator=(const MessageBoxWindow&) = delete;

    bool open();
    std::int32_t run();
    void handle(XEvent& xe);

private:
    std::int32_t text_width(const std::string& s) const {
        XGlyphInfo gi{};
        XftTextExtentsUtf8(b_.dpy, font_, reinterpret_cast<const FcChar8*>(s.data()),
                           static_cast<int>(s.size()), &gi);
        return gi.xOff;
    }
    void wrap(const std::string& text);
    void paint();
    void fill(const XRectangle& r, COLORREF c);
    void frame(const XRectangle& r, COLORREF c, int thickness);
    void string_at(const std::string& s, int x, int baseline, COLORREF c);
    std::int32_t button_at(int x, int y) const;

    X11Backend& b_;
    std::string caption_;
    std::vector<Button> buttons_;
    std::vector<std::string> lines_;
    std::size_t focus_ = 0;
    std::int32_t pressed_ = -1;
    unsigned pressed_key_ = 0;
    std::int32_t escape_ = IDOK;
    std::int32_t result_ = 0;
    XftFont* font_ = nullptr;
    XftDraw* draw_ = nullptr;
    ::Window win_ = 0;
    std::int32_t width_ = 0, height_ = 0, line_h_ = 16;
};

void MessageBoxWindow::wrap(const std::string& text) {
    // Paragraphs at line breaks, words at blanks, over-long words at characters.
    std::size_t start = 0;
    for (;;) {
        const std::size_t nl = text.find('\n', start);
        std::string para = text.substr(start, nl == std::string::npos ? std::string::npos : nl - start);
        if (!para.empty() && para.back() == '\r') para.pop_back();
        std::string line;
        std::size_t i = 0;
        while (i < para.size()) {
            std::size_t j = para.find(' ', i);
            if (j == std::string::npos) j = para.size();
            std::string word = para.substr(i, j - i);
            const std::string trial = line.empty() ? word : line + " " + word;
            if (text_width(trial) <= kMaxTextWidth) {
                line = trial;
            } else {
                if (!line.empty()) lines_.push_back(line);
                line.clear();
                while (text_width(word) > kMaxTextWidth) {
                    std::size_t cut = 0, k = 0;
                    while (k < word.size() && text_width(word.substr(0, k)) <= kMaxTextWidth) {
                        cut = k;
                        k = utf8_next(word, k);
                    }
                    if (k >= word.size() && text_width(word) <= kMaxTextWidth) break;
                    if (cut == 0) cut = utf8_next(word, 0);
                    lines_.push_back(word.substr(0, cut));
                    word = word.substr(cut);
                }
                line = word;
            }
            i = j + 1;
        }
        lines_.push_back(line);
        if (nl == std::string::npos) break;
        start = nl + 1;
    }
}

bool MessageBoxWindow::open() {
    if (font_ == nullptr) return false;
    Display* dpy = b_.dpy;
    line_h_ = font_->ascent + font_->descent + 2;
    std::int32_t text_w = 0;
    for (const std::string& l : lines_) text_w = std::max(text_w, text_width(l));
    const std::int32_t n = static_cast<std::int32_t>(buttons_.size());
    const std::int32_t buttons_w = n * kButtonW + (n - 1) * kButtonGap;
    width_ = std::max({kMinWidth, text_w + 2 * kPad, buttons_w + 2 * kPad});
    const std::int32_t text_h = static_cast<std::int32_t>(lines_.size()) * line_h_;
    height_ = kPad + text_h + kPad + kButtonH + kPad;
    // Buttons in a row, right-aligned as on the original platform.
    std::int32_t x = width_ - kPad - buttons_w;
    for (Button& bt : buttons_) {
        bt.r = {static_cast<short>(x), static_cast<short>(height_ - kPad - kButtonH),
                static_cast<unsigned short>(kButtonW), static_cast<unsigned short>(kButtonH)};
        x += kButtonW + kButtonGap;
    }
    std::int32_t sw = 0, sh = 0;
    b_.screen_size(sw, sh);
    const int px = std::max(0, (sw - width_) / 2), py = std::max(0, (sh - height_) / 2);

    XSetWindowAttributes a{};
    a.background_pixel = b_.pixel_of(RGB(240, 240, 240));
    a.border_pixel = b_.pixel_of(RGB(100, 100, 100));
    a.event_mask = ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask |
                   ButtonReleaseMask | StructureNotifyMask | FocusChangeMask;
    win_ = XCreateWindow(dpy, b_.root, px, py, static_cast<unsigned>(width_),
                         static_cast<unsigned>(height_), 1, CopyFromParent, InputOutput,
                         CopyFromParent, CWBackPixel | CWBorderPixel | CWEventMask, &a);
    if (win_ == 0) return false;
    b_.boxes[win_] = this;

    XClassHint ch{const_cast<char*>("kalvox-message"), const_cast<char*>("Kalvox")};
    XSetClassHint(dpy, win_, &ch);
    Atom protocols[] = {b_.atoms.wm_delete_window};
    XSetWMProtocols(dpy, win_, protocols, 1);
    XWMHints wmh{};
    wmh.flags = InputHint | StateHint;
    wmh.input = True;
    wmh.initial_state = NormalState;
    XSetWMHints(dpy, win_, &wmh);
    XSizeHints* sz = XAllocSizeHints();
    if (sz != nullptr) {
        sz->flags = USPosition | PPosition | PMinSize | PMaxSize | PWinGravity;
        sz->x = px;
        sz->y = py;
        sz->min_width = sz->max_width = width_;
        sz->min_height = sz->max_height = height_;
        sz->win_gravity = NorthWestGravity;
        XSetWMNormalHints(dpy, win_, sz);
        XFree(sz);
    }
    XChangeProperty(dpy, win_, b_.atoms.net_wm_window_type, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&b_.atoms.net_wm_window_type_dialog),
                    1);
    XChangeProperty(dpy, win_, b_.atoms.net_wm_state, XA_ATOM, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&b_.atoms.net_wm_state_modal), 1);
    // A box without an owner is transient for the program's focused window,
    // or for the whole screen.
    ::Window owner = b_.root;
    if (const HWND f = b_.focus_window(); f != 0)
        if (NativeWin* w = b_.find_alive(f); w != nullptr) owner = w->win;
    XSetTransientForHint(dpy, win_, owner);
    draw_ = XftDrawCreate(dpy, win_, b_.visual, b_.colormap);

    // A pointer grab of the program's (a drag under way) would keep the box
    // from being clicked.
    if (b_.grabbed() != 0) b_.ungrab_pointer();
    const bool wm = b_.wm_running();
    if (wm) b_.set_names(win_, caption_.c_str());
    XMapRaised(dpy, win_);
    if (b_.wait_mapped(win_, 1000)) b_.take_focus(win_);
    // Without a window manager the title comes last, once the box is up and
    // has the keyboard: whoever finds it by its title can type into it.
    if (!wm) b_.set_names(win_, caption_.c_str());
    XFlush(dpy);
    return true;
}

void MessageBoxWindow::fill(const XRectangle& r, COLORREF c) {
    XRenderColor rc{static_cast<unsigned short>((c & 0xFF) * 257),
                    static_cast<unsigned short>(((c >> 8) & 0xFF) * 257),
                    static_cast<unsigned short>(((c >> 16) & 0xFF) * 257), 0xFFFF};
    XftColor xc{};
    if (!XftColorAllocValue(b_.dpy, b_.visual, b_.colormap, &rc, &xc)) return;
    XftDrawRect(draw_, &xc, r.x, r.y, r.width, r.height);
    XftColorFree(b_.dpy, b_.visual, b_.colormap, &xc);
}

void MessageBoxWindow::frame(const XRectangle& r, COLORREF c, int t) {
    const short x = r.x, y = r.y;
    const unsigned short w = r.width, h = r.height, tt = static_cast<unsigned short>(t);
    fill({x, y, w, tt}, c);
    fill({x, static_cast<short>(y + h - t), w, tt}, c);
    fill({x, y, tt, h}, c);
    fill({static_cast<short>(x + w - t), y, tt, h}, c);
}

void MessageBoxWindow::string_at(const std::string& s, int x, int baseline, COLORREF c) {
    XRenderColor rc{static_cast<unsigned short>((c & 0xFF) * 257),
                    static_cast<unsigned short>(((c >> 8) & 0xFF) * 257),
                    static_cast<unsigned short>(((c >> 16) & 0xFF) * 257), 0xFFFF};
    XftColor xc{};
    if (!XftColorAllocValue(b_.dpy, b_.visual, b_.colormap, &rc, &xc)) return;
    XftDrawStringUtf8(draw_, &xc, font_, x, baseline, reinterpret_cast<const FcChar8*>(s.data()),
                      static_cast<int>(s.size()));
    XftColorFree(b_.dpy, b_.visual, b_.colormap, &xc);
}

void MessageBoxWindow::paint() {
    if (draw_ == nullptr) return;
    fill({0, 0, static_cast<unsigned short>(width_), static_cast<unsigned short>(height_)},
         RGB(240, 240, 240));
    int baseline = kPad + font_->ascent;
    for (const std::string& l : lines_) {
        string_at(l, kPad, baseline, RGB(0, 0, 0));
        baseline += line_h_;
    }
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const Button& bt = buttons_[i];
        const bool down = pressed_ == static_cast<std::int32_t>(i);
        fill(bt.r, down ? RGB(204, 228, 247) : RGB(225, 225, 225));
        if (i == focus_)
            frame(bt.r, RGB(0, 120, 215), 2);
        else
            frame(bt.r, RGB(173, 173, 173), 1);
        const std::string label = bt.label;
        const int tx = bt.r.x + (bt.r.width - text_width(label)) / 2;
        const int ty = bt.r.y + (bt.r.height - (font_->ascent + font_->descent)) / 2 + font_->ascent;
        string_at(label, tx, ty, RGB(0, 0, 0));
    }
    XFlush(b_.dpy);
}

std::int32_t MessageBoxWindow::button_at(int x, int y) const {
    for (std::size_t i = 0; i < buttons_.size(); ++i) {
        const XRectangle& r = buttons_[i].r;
        if (x >= r.x && x < r.x + r.width && y >= r.y && y < r.y + r.height)
            return static_cast<std::int32_t>(i);
    }
    return -1;
}

void MessageBoxWindow::handle(XEvent& xe) {
    auto has = [this](std::int32_t id) {
        for (const Button& bt : buttons_)
            if (bt.id == id) return true;
        return false;
    };
    switch (xe.type) {
        case Expose:
            if (xe.xexpose.count == 0) paint();
            break;
        case MapNotify:
            b_.take_focus(win_);
            break;
        case KeyPress: {
            const KeySym ks = XLookupKeysym(&xe.xkey, 0);
            const std::size_t n = buttons_.size();
            if (ks == XK_Tab || ks == XK_Right || ks == XK_Down) {
                const bool back = ks == XK_Tab && (xe.xkey.state & ShiftMask) != 0;
                focus_ = back ? (focus_ + n - 1) % n : (focus_ + 1) % n;
                paint();
            } else if (ks == XK_ISO_Left_Tab || ks == XK_Left || ks == XK_Up) {
                focus_ = (focus_ + n - 1) % n;
                paint();
            } else {
                // Answers come with the key's release, so the release stays
                // with the box and never reaches the program's window.
                pressed_key_ = xe.xkey.keycode;
            }
            break;
        }
        case KeyRelease: {
            if (xe.xkey.keycode != pressed_key_) break;  // pressed before the box came up
            pressed_key_ = 0;
            const KeySym ks = XLookupKeysym(&xe.xkey, 0);
            if (ks == XK_Return || ks == XK_KP_Enter || ks == XK_space) {
                result_ = buttons_[focus_].id;
            } else if (ks == XK_Escape) {
                result_ = escape_;
            } else if (ks == XK_y && has(IDYES)) {
                result_ = IDYES;
            } else if (ks == XK_n && has(IDNO)) {
                result_ = IDNO;
            } else if (ks == XK_c && has(IDCANCEL)) {
                result_ = IDCANCEL;
            }
            break;
        }
        case ButtonPress:
            if (xe.xbutton.button == Button1) {
                pressed_ = button_at(xe.xbutton.x, xe.xbutton.y);
                if (pressed_ >= 0) focus_ = static_cast<std::size_t>(pressed_);
                paint();
            }
            break;
        case ButtonRelease:
            if (xe.xbutton.button == Button1) {
                const std::int32_t at = button_at(xe.xbutton.x, xe.xbutton.y);
                if (at >= 0 && at == pressed_) result_ = buttons_[static_cast<std::size_t>(at)].id;
                pressed_ = -1;
                paint();
            }
            break;
        case ClientMessage:
            if (xe.xclient.message_type == b_.atoms.wm_protocols && xe.xclient.format == 32 &&
                static_cast<Atom>(xe.xclient.data.l[0]) == b_.atoms.wm_delete_window)
                result_ = escape_;
            break;
        case DestroyNotify:
            // Destroyed from outside: answer as the close box would.
            b_.boxes.erase(win_);
            win_ = 0;
            result_ = escape_;
            break;
        default:
            break;
    }
}

std::int32_t MessageBoxWindow::run() {
    Display* dpy = b_.dpy;
    paint();
    while (result_ == 0) {
        // The box's own events first; the program's are held for its queue.
        while (result_ == 0 && XPending(dpy) > 0) {
            XEvent xe;
            XNextEvent(dpy, &xe);
            if (!b_.route_to_box(xe)) b_.held_events.push_back(xe);
        }
        if (result_ != 0) break;
        core_pump_modal();  // the program's other windows keep working
        if (result_ != 0) break;
        if (b_.held_events.empty() && XPending(dpy) == 0) {
            pollfd p{ConnectionNumber(dpy), POLLIN, 0};
            ::poll(&p, 1, 15);
        }
    }
    return result_;
}

bool X11Backend::route_to_box(XEvent& xe) {
    if (boxes.empty()) return false;
    auto it = boxes.find(xe.xany.window);
    if (it == boxes.end()) return false;
    it->second->handle(xe);
    return true;
}

std::int32_t X11Backend::message_box(const char* text, const char* caption, UINT style) {
    MessageBoxWindow box(*this, valid_utf8(text), valid_utf8(caption == nullptr ? "Error" : caption),
                         style);
    if (!box.open()) return 0;
    return box.run();
}

}  // namespace plat::x11
