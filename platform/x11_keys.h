// Keyboard translation of the X11 backend: X keysyms to the window system's
// virtual-key codes, and the key message and LPARAM the window procedure
// receives.  Pure functions, free of X headers so tests can use them.
// Depends on platform/win.h only.
#pragma once

#include <cstdint>

#include "platform/win.h"

namespace plat::x11 {

// The virtual-key code of an X keysym (the unshifted keysym of the key, or a
// keypad keysym as Num Lock selects it); 0 when the key has no code.
WPARAM keysym_to_vk(std::uint32_t keysym);

// The virtual-key code of a key by its position (its scan code, the X key
// code less 8) on a US keyboard: letters, digits and punctuation, for layouts
// whose keysyms have no code (Cyrillic letters, accented letters); 0 for
// other keys.
WPARAM scan_code_to_vk(std::uint32_t scan_code);

// The message a key event becomes: WM_SYSKEYDOWN / WM_SYSKEYUP while Alt is
// held, for the Alt keys themselves and for F10, else WM_KEYDOWN / WM_KEYUP.
UINT key_message(WPARAM vk, bool press, bool alt_held);

// LPARAM of a key message: repeat count 1, the scan code in bits 16-23, bit 29
// when Alt is held, bit 30 when the key was down before, bit 31 on release.
LPARAM key_lparam(std::uint32_t scan_code, bool was_down, bool release, bool alt_held);

}  // namespace plat::x11
