#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>
#include <string_view>

// A stable, readable name for the index-th case of a parameterised test, so that
// ctest -R can pick one: the index, then the case's text with letters and digits kept
// and every other byte named (_ for a blank or punctuation, CR, LF, NUL, xHH for the
// rest), cut at 40 characters.
inline std::string CaseName(std::size_t index, std::string_view text) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string name = std::to_string(index);
    if (!text.empty()) name += '_';
    for (const char c : text) {
        if (name.size() >= 40) break;
        const auto b = static_cast<unsigned char>(c);
        if ((b >= '0' && b <= '9') || (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z')) {
            name += c;
        } else if (b >= ' ' && b < 0x7F) {
            name += '_';
        } else if (c == '\r') {
            name += "CR";
        } else if (c == '\n') {
            name += "LF";
        } else if (c == '\0') {
            name += "NUL";
        } else {
            name.append("x").append(1, kHex[b >> 4]).append(1, kHex[b & 15u]);
        }
    }
    return name;
}

// The name generator of INSTANTIATE_TEST_SUITE_P that names each case by one of its
// text fields: NameByField<&Case::text>().
template <auto Field>
struct NameByField {
    template <class Param>
    std::string operator()(const testing::TestParamInfo<Param>& info) const {
        return CaseName(info.index, std::string_view(info.param.*Field));
    }
};
