#pragma once

#include <QObject>
#include <cstdint>
#include <ostream>

class QWidget;

// With TRAWLVIEW_TIMING=1, reports once on a stream how long the first log took to load
// and to reach the screen, both in milliseconds since the process started:
//   "trawlview: loaded N lines in X ms; first paint at Y ms"
// Benchmarks read this line; the program itself never waits on it.
//
// "Loaded" is the moment the document's displayed lines changed for the first time with a
// log in it (read, cut, filtered, widest line known). "First paint" is the end of the
// first paint of the view's viewport after that moment, which the view only does with
// its scroll range already set.
class CLoadTiming : public QObject {
    Q_OBJECT

public:
    // The one look at the environment, made at start-up.
    static bool Requested();

    // viewport is watched for its paint events; out receives the one line.
    CLoadTiming(QWidget* viewport, std::ostream& out, QObject* parent = nullptr);

    // The displayed lines changed; lines is their count. Only the first call counts.
    void LinesChanged(std::int64_t lines);
    bool HasReported() const { return m_state == State::Reported; }

    // Milliseconds from the start of this process (as the kernel recorded it, to its
    // clock tick) until now.
    static double MsSinceProcessStart();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    enum class State { WaitingForLines, WaitingForPaint, Reported };

    QWidget* m_pViewport;
    std::ostream& m_out;
    State m_state = State::WaitingForLines;
    std::int64_t m_nLines = 0;
    double m_dLoadedMs = 0;
};
