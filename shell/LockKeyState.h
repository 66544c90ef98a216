#pragma once

#include <string>

// Whether Caps Lock, Num Lock and Scroll Lock are on, read from the keyboard LEDs the
// kernel exposes under /sys/class/leds (one "inputN::capslock" entry per keyboard). The
// window system offers no portable query; without such entries every lock reads as off.
struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;

    static LockKeyState Read(const std::string& ledFolder = "/sys/class/leds");
};
