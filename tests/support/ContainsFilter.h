#pragma once

#include <string>
#include <string_view>

#include "ILineFilter.h"

// Passes lines containing a text; may or may not name it as the text every passing line
// contains, so that tests can compare the document's two ways of selecting.
class ContainsFilter : public ILineFilter {
public:
    ContainsFilter(std::string needle, bool advertise) : m_needle(std::move(needle)), m_advertise(advertise) {}
    bool Passes(std::string_view line) const override { return line.find(m_needle) != std::string_view::npos; }
    std::string_view RequiredSubstring() const override { return m_advertise ? m_needle : std::string_view(); }

private:
    std::string m_needle;
    bool m_advertise;
};
