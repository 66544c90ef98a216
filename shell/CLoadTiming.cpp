#include "CLoadTiming.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

double NowMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// The start of the process in milliseconds of the boot-time clock, from field 22 of
// /proc/self/stat (clock ticks since boot); negative when it cannot be read. The
// dynamic loader and Qt's start-up come before any code of ours runs, and a benchmark
// has to count them: a moment taken in main would leave them out.
double ProcessStartBootMs() {
    std::FILE* file = std::fopen("/proc/self/stat", "r");
    if (file == nullptr) return -1;
    char text[1024];
    const std::size_t n = std::fread(text, 1, sizeof text - 1, file);
    std::fclose(file);
    text[n] = '\0';
    // The command name in parentheses may hold blanks: fields are counted after its ")".
    const char* p = std::strrchr(text, ')');
    if (p == nullptr) return -1;
    int field = 2;
    while (*p != '\0' && field < 22) {
        if (*p == ' ') ++field;
        ++p;
    }
    const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    if (field != 22 || ticksPerSecond <= 0) return -1;
    const unsigned long long ticks = std::strtoull(p, nullptr, 10);
    return static_cast<double>(ticks) * 1e3 / static_cast<double>(ticksPerSecond);
}

}  // namespace

bool CLoadTiming::Requested() {
    return qEnvironmentVariable("TRAWLVIEW_TIMING") == QLatin1String("1");
}

CLoadTiming::CLoadTiming(QWidget* viewport, std::ostream& out, QObject* parent)
    : QObject(parent), m_pViewport(viewport), m_out(out) {
    m_pViewport->installEventFilter(this);
}

double CLoadTiming::MsSinceProcessStart() {
    // Taken once: the start does not move, and later calls should cost a clock read.
    static const double start = ProcessStartBootMs();
    if (start < 0) return -1;
    return NowMs(CLOCK_BOOTTIME) - start;
}

void CLoadTiming::LinesShown() {
    m_bShown = true;
}

void CLoadTiming::LoadEnded(std::int64_t lines) {
    if (m_dLoadedMs >= 0) return;
    m_nLines = lines;
    m_dLoadedMs = MsSinceProcessStart();
    ReportWhenDone();
}

void CLoadTiming::ReportWhenDone() {
    if (m_bReported || m_dLoadedMs < 0 || m_dPaintedMs < 0) return;
    m_bReported = true;
    m_out << "trawlview: loaded " << m_nLines << " lines in " << std::lround(m_dLoadedMs)
          << " ms; first paint at " << std::lround(m_dPaintedMs) << " ms" << std::endl;
}

bool CLoadTiming::eventFilter(QObject* watched, QEvent* event) {
    if (!m_bShown || watched != m_pViewport || event->type() != QEvent::Paint) return false;
    // The paint is handed on here rather than left to run after this filter, so that the
    // moment taken is the end of the painting, not its start.
    m_pViewport->removeEventFilter(this);
    QCoreApplication::sendEvent(watched, event);
    m_dPaintedMs = MsSinceProcessStart();
    ReportWhenDone();
    return true;
}
