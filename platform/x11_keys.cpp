// Keyboard translation of the X11 backend (see x11_keys.h).  Depends on the
// keysym numbers of <X11/keysym.h> only.
#include "platform/x11_keys.h"

#include <X11/keysym.h>

#include <cstddef>

namespace plat::x11 {

namespace {

struct KeyPair {
    std::uint32_t keysym;
    WPARAM vk;
};

constexpr WPARAM VK_CLEAR_ = 0x0C;

constexpr KeyPair kTable[] = {
    {XK_BackSpace, VK_BACK},
    {XK_Tab, VK_TAB},
    {XK_ISO_Left_Tab, VK_TAB},
    {XK_Return, VK_RETURN},
    {XK_KP_Enter, VK_RETURN},
    {XK_Pause, VK_PAUSE},
    {XK_Break, VK_PAUSE},
    {XK_Caps_Lock, VK_CAPITAL},
    {XK_Escape, VK_ESCAPE},
    {XK_space, VK_SPACE},
    {XK_KP_Space, VK_SPACE},
    {XK_Prior, VK_PRIOR},
    {XK_Next, VK_NEXT},
    {XK_End, VK_END},
    {XK_Home, VK_HOME},
    {XK_Left, VK_LEFT},
    {XK_Up, VK_UP},
    {XK_Right, VK_RIGHT},
    {XK_Down, VK_DOWN},
    {XK_Print, VK_SNAPSHOT},
    {XK_Sys_Req, VK_SNAPSHOT},
    {XK_Insert, VK_INSERT},
    {XK_Delete, VK_DELETE},
    {XK_Super_L, VK_LWIN},
    {XK_Super_R, VK_RWIN},
    {XK_Menu, VK_APPS},
    // Keypad with Num Lock off: the navigation keys.
    {XK_KP_Home, VK_HOME},
    {XK_KP_End, VK_END},
    {XK_KP_Prior, VK_PRIOR},
    {XK_KP_Next, VK_NEXT},
    {XK_KP_Left, VK_LEFT},
    {XK_KP_Up, VK_UP},
    {XK_KP_Right, VK_RIGHT},
    {XK_KP_Down, VK_DOWN},
    {XK_KP_Insert, VK_INSERT},
    {XK_KP_Delete, VK_DELETE},
    {XK_KP_Begin, VK_CLEAR_},
    // Keypad operators and digits.
    {XK_KP_Multiply, VK_MULTIPLY},
    {XK_KP_Add, VK_ADD},
    {XK_KP_Separator, VK_SEPARATOR},
    {XK_KP_Subtract, VK_SUBTRACT},
    {XK_KP_Decimal, VK_DECIMAL},
    {XK_KP_Divide, VK_DIVIDE},
    {XK_Num_Lock, VK_NUMLOCK},
    {XK_Scroll_Lock, VK_SCROLL},
    // Modifiers: the generic codes, as the key messages carry them.
    {XK_Shift_L, VK_SHIFT},
    {XK_Shift_R, VK_SHIFT},
    {XK_Control_L, VK_CONTROL},
    {XK_Control_R, VK_CONTROL},
    {XK_Alt_L, VK_MENU},
    {XK_Alt_R, VK_MENU},
    {XK_Meta_L, VK_MENU},
    {XK_Meta_R, VK_MENU},
    {XK_ISO_Level3_Shift, VK_MENU},
    // Punctuation, by the US keyboard positions.
    {XK_semicolon, VK_OEM_1},
    {XK_colon, VK_OEM_1},
    {XK_equal, VK_OEM_PLUS},
    {XK_plus, VK_OEM_PLUS},
    {XK_comma, VK_OEM_COMMA},
    {XK_less, VK_OEM_102},  // unshifted only on the extra key of ISO keyboards
    {XK_minus, VK_OEM_MINUS},
    {XK_underscore, VK_OEM_MINUS},
    {XK_period, VK_OEM_PERIOD},
    {XK_greater, VK_OEM_PERIOD},
    {XK_slash, VK_OEM_2},
    {XK_question, VK_OEM_2},
    {XK_grave, VK_OEM_3},
    {XK_asciitilde, VK_OEM_3},
    {XK_bracketleft, VK_OEM_4},
    {XK_braceleft, VK_OEM_4},
    {XK_backslash, VK_OEM_5},
    {XK_bar, VK_OEM_5},
    {XK_bracketright, VK_OEM_6},
    {XK_braceright, VK_OEM_6},
    {XK_apostrophe, VK_OEM_7},
    {XK_quotedbl, VK_OEM_7},
};

bool is_alt(WPARAM vk) { return vk == VK_MENU; }

}  // namespace

WPARAM keysym_to_vk(std::uint32_t keysym) {
    if (keysym >= XK_a && keysym <= XK_z) return static_cast<WPARAM>('A' + (keysym - XK_a));
    if (keysym >= XK_A && keysym <= XK_Z) return static_cast<WPARAM>('A' + (keysym - XK_A));
    if (keysym >= XK_0 && keysym <= XK_9) return static_cast<WPARAM>('0' + (keysym - XK_0));
    if (keysym >= XK_KP_0 && keysym <= XK_KP_9)
        return static_cast<WPARAM>(VK_NUMPAD0 + static_cast<WPARAM>(keysym - XK_KP_0));
    if (keysym >= XK_F1 && keysym <= XK_F24)
        return static_cast<WPARAM>(VK_F1 + static_cast<WPARAM>(keysym - XK_F1));
    for (const KeyPair& p : kTable)
        if (p.keysym == keysym) return p.vk;
    return 0;
}

WPARAM scan_code_to_vk(std::uint32_t scan) {
    static constexpr char kRows[][13] = {
        // scan codes 2..13, 16..27, 30..41, 44..53 (0: no key)
        {'1', '2', '3', '4', '5', '6', '7', '8', '9', '0', 0, 0, 0},
        {'Q', 'W', 'E', 'R', 'T', 'Y', 'U', 'I', 'O', 'P', 0, 0, 0},
        {'A', 'S', 'D', 'F', 'G', 'H', 'J', 'K', 'L', 0, 0, 0, 0},
        {'Z', 'X', 'C', 'V', 'B', 'N', 'M', 0, 0, 0, 0, 0, 0},
    };
    struct Punct {
        std::uint32_t scan;
        WPARAM vk;
    };
    static constexpr Punct kPunct[] = {
        {12, VK_OEM_MINUS}, {13, VK_OEM_PLUS},  {26, VK_OEM_4},      {27, VK_OEM_6},
        {39, VK_OEM_1},     {40, VK_OEM_7},     {41, VK_OEM_3},      {43, VK_OEM_5},
        {51, VK_OEM_COMMA}, {52, VK_OEM_PERIOD}, {53, VK_OEM_2},     {86, VK_OEM_102},
    };
    for (const Punct& p : kPunct)
        if (p.scan == scan) return p.vk;
    const std::uint32_t starts[] = {2, 16, 30, 44};
    for (std::size_t row = 0; row < 4; ++row)
        if (scan >= starts[row] && scan < starts[row] + 13)
            return static_cast<WPARAM>(kRows[row][scan - starts[row]]);
    return 0;
}

UINT key_message(WPARAM vk, bool press, bool alt_held) {
    const bool sys = alt_held || is_alt(vk) || vk == VK_F10;
    if (press) return sys ? WM_SYSKEYDOWN : WM_KEYDOWN;
    return sys ? WM_SYSKEYUP : WM_KEYUP;
}

LPARAM key_lparam(std::uint32_t scan_code, bool was_down, bool release, bool alt_held) {
    std::uint32_t v = 1u | ((scan_code & 0xFFu) << 16);
    if (alt_held) v |= 1u << 29;
    if (was_down || release) v |= 1u << 30;
    if (release) v |= 1u << 31;
    return static_cast<LPARAM>(v);
}

}  // namespace plat::x11
