#include "LockKeyState.h"

#include <filesystem>
#include <fstream>
#include <string_view>

LockKeyState LockKeyState::Read(const std::string& ledFolder) {
    LockKeyState state;
    std::error_code ec;
    std::filesystem::directory_iterator it(ledFolder, ec);
    if (ec) return state;
    for (const std::filesystem::directory_entry& entry : it) {
        const std::string name = entry.path().filename().string();
        const std::size_t colons = name.rfind("::");
        if (colons == std::string::npos) continue;
        const std::string_view function = std::string_view(name).substr(colons + 2);
        bool* lock = function == "capslock"     ? &state.caps
                     : function == "numlock"    ? &state.num
                     : function == "scrolllock" ? &state.scroll
                                                : nullptr;
        if (lock == nullptr) continue;
        int brightness = 0;
        std::ifstream(entry.path() / "brightness") >> brightness;
        // Any keyboard with the light on counts.
        if (brightness > 0) *lock = true;
    }
    return state;
}
