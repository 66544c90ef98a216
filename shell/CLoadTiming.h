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
// "Loaded" is the moment the first load ended (every line cut, filtered and measured).
// "First paint" is the end of the first paint of the view's viewport after the load's
// first lines were shown, which may come before the load has ended; the line is written
// when both are known.
class CLoadTiming : public QObject {
    Q_OBJECT

public:
    // The one look at the environment, made at start-up.
    static bool Requested();

    // viewport is watched for its paint events; out receives the one line.
    CLoadTiming(QWidget* viewport, std::ostream& out, QObject* parent = nullptr);

    // The first lines of a load are shown. Only the first call counts.
    void LinesShown();
    // The load ended with lines lines. Only the first call counts.
    void LoadEnded(std::int64_t lines);
    bool HasReported() const { return m_bReported; }

    // Milliseconds from the start of this process (as the kernel recorded it, to its
    // clock tick) until now.
    static double MsSinceProcessStart();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ReportWhenDone();

    QWidget* m_pViewport;
    std::ostream& m_out;
    bool m_bShown = false;
    bool m_bReported = false;
    std::int64_t m_nLines = 0;
    // Negative until known.
    double m_dLoadedMs = -1;
    double m_dPaintedMs = -1;
};
