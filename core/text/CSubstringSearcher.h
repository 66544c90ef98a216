#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Finds a byte string in text. Prepared once per filter: it picks the two bytes of the
// text least likely to occur in log text and scans 16 positions at a time for both at
// their distance, comparing the whole text only there.
//
// With ignoreAsciiCase the letters a to z and A to Z match either case; every other byte
// matches only itself. The text is searched where it lies: nothing is copied or changed.
class CSubstringSearcher {
public:
    explicit CSubstringSearcher(std::string_view needle, bool ignoreAsciiCase = false);

    // The first occurrence in [begin, end), or end. An empty text occurs at begin.
    const char* Find(const char* begin, const char* end) const;
    bool Contains(std::string_view text) const {
        return Find(text.data(), text.data() + text.size()) != text.data() + text.size();
    }
    const std::string& Needle() const { return m_needle; }

    // How common a byte is in log text, higher is more common; 0 for the rarest.
    static int Commonness(unsigned char c);

private:
    // The needle with its letters in lower case when case is ignored.
    std::string m_needle;
    bool m_bIgnoreCase = false;
    // Or-ed into a text byte before it is compared with a rare byte: 0x20 for a letter
    // when case is ignored (an upper-case letter then reads as its lower-case one), else 0.
    char m_nFold1 = 0;
    char m_nFold2 = 0;
    std::size_t m_nRare1 = 0;  // offsets into the needle of the two rarest bytes
    std::size_t m_nRare2 = 0;
};
