#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "ILineFilter.h"

// Passes lines containing a text; may or may not name it as the text every passing line
// contains, so that tests can compare the document's two ways of selecting.
class ContainsFilter : public ILineFilter {
public:
    ContainsFilter(std::string needle, bool advertise)
        : m_needle(std::move(needle)), m_advertise(advertise) {}
    bool Passes(std::string_view line) const override {
        return line.find(m_needle) != std::string_view::npos;
    }
    std::string_view RequiredSubstring() const override {
        return m_advertise ? m_needle : std::string_view();
    }
    bool NeedsTime() const override { return false; }
    std::unique_ptr<Pieces> DecideInPieces() const override {
        return std::make_unique<NeedlePieces>(m_needle);
    }

private:
    // Keeps the last bytes of what it was fed, one fewer than the needle has, so that an
    // occurrence across two pieces is found.
    class NeedlePieces : public Pieces {
    public:
        explicit NeedlePieces(const std::string& needle) : m_needle(needle) {}
        void Feed(std::string_view piece) override {
            m_tail.append(piece);
            m_bFound = m_bFound || m_tail.find(m_needle) != std::string::npos;
            const std::size_t keep = m_needle.empty() ? 0 : m_needle.size() - 1;
            if (m_tail.size() > keep) m_tail.erase(0, m_tail.size() - keep);
        }
        bool Passes(const LogTime*) const override { return m_bFound || m_needle.empty(); }

    private:
        const std::string& m_needle;
        std::string m_tail;
        bool m_bFound = false;
    };

    std::string m_needle;
    bool m_advertise;
};
