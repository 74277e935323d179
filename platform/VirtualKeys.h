#pragma once

// Win32 virtual-key codes: the indices of the key-state array.
namespace vk {
constexpr int Control = 0x11;
constexpr int Escape = 0x1B;
constexpr int Left = 0x25;
constexpr int Up = 0x26;
constexpr int Right = 0x27;
constexpr int Down = 0x28;
constexpr int F1 = 0x70;
constexpr int F2 = 0x71;
constexpr int F3 = 0x72;
constexpr int F4 = 0x73;
constexpr int F5 = 0x74;
constexpr int F6 = 0x75;
constexpr int F12 = 0x7B;
// Letters are their upper-case ASCII codes.
constexpr int letter(char c)
{
    return c;
}
} // namespace vk
