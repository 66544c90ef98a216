#include "CScrollView32.h"

#include <QApplication>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <limits>

namespace {

constexpr std::int64_t kBarMax = std::numeric_limits<int>::max();
// "As far as it goes": far beyond any limit, yet far from overflowing when added to.
constexpr std::int64_t kFarEnd = std::numeric_limits<std::int64_t>::max() / 4;
constexpr int kWheelDelta = 120;

// pos + delta kept within [0, limit], without overflowing for any delta.
std::int64_t MoveWithin(std::int64_t pos, std::int64_t delta, std::int64_t limit) {
    if (delta > limit - pos) return std::max<std::int64_t>(limit, 0);
    if (delta < -pos) return 0;
    return std::clamp<std::int64_t>(pos + delta, 0, std::max<std::int64_t>(limit, 0));
}

}  // namespace

CScrollView32::CScrollView32(QWidget* parent) : QAbstractScrollArea(parent) {
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Painting covers every pixel (content rows opaquely, the rest by OnEraseBkgnd), so
    // Qt's own background fill would only paint twice.
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);

    for (int bar : {SB_HORZ, SB_VERT}) {
        QScrollBar* b = BarWidget(bar);
        b->setRange(0, 0);
        b->installEventFilter(this);
        connect(b, &QAbstractSlider::actionTriggered, this,
                [this, bar](int action) { OnBarAction(bar, action); });
        connect(b, &QAbstractSlider::valueChanged, this,
                [this, bar](int value) { OnBarValueChanged(bar, value); });
    }
    const int lines = QApplication::wheelScrollLines();
    m_nWheelLines = lines > 0 ? lines : 3;
}

CScrollView32::~CScrollView32() = default;

QScrollBar* CScrollView32::BarWidget(int bar) const {
    return bar == SB_HORZ ? horizontalScrollBar() : verticalScrollBar();
}

std::int64_t CScrollView32::GetScrollPos32(int bar) const {
    return m_nPos[bar];
}

std::int64_t CScrollView32::SetScrollPos32(int bar, std::int64_t pos) {
    m_nPos[bar] = std::clamp<std::int64_t>(pos, 0, m_nLimit[bar]);
    SyncBarValue(bar);
    return m_nPos[bar];
}

std::int64_t CScrollView32::GetScrollLimit(int bar) const {
    return m_nLimit[bar];
}

void CScrollView32::SyncBarValue(int bar) {
    QScrollBar* b = BarWidget(bar);
    const bool wasSetting = m_bSettingBar;
    m_bSettingBar = true;
    b->setValue(static_cast<int>(std::min(m_nPos[bar] >> m_nShift[bar], kBarMax)));
    m_bSettingBar = wasSetting;
}

void CScrollView32::SetScrollSizes(ScrollSize sizeTotal, ScrollSize sizePage, ScrollSize sizeLine) {
    m_totalDev = sizeTotal;
    m_pageDev = sizePage;
    m_lineDev = sizeLine;
    for (ScrollSize* s : {&m_totalDev, &m_pageDev, &m_lineDev}) {
        if (s->cy < 0) s->cy = -s->cy;
    }
    if (m_pageDev.cx == 0) m_pageDev.cx = m_totalDev.cx / 10;
    if (m_pageDev.cy == 0) m_pageDev.cy = m_totalDev.cy / 10;
    if (m_lineDev.cx == 0) m_lineDev.cx = m_pageDev.cx / 10;
    if (m_lineDev.cy == 0) m_lineDev.cy = m_pageDev.cy / 10;

    UpdateBars();
}

ScrollPoint CScrollView32::GetDeviceScrollPosition() const {
    return {GetScrollPos32(SB_HORZ), GetScrollPos32(SB_VERT)};
}

void CScrollView32::GetDeviceScrollSizes(ScrollSize& sizeTotal, ScrollSize& sizePage,
                                         ScrollSize& sizeLine) const {
    sizeTotal = m_totalDev;
    sizePage = m_pageDev;
    sizeLine = m_lineDev;
}

void CScrollView32::ScrollToPosition(ScrollPoint pt) {
    pt.x = std::clamp<std::int64_t>(pt.x, 0, std::max<std::int64_t>(GetScrollLimit(SB_HORZ), 0));
    pt.y = std::clamp<std::int64_t>(pt.y, 0, std::max<std::int64_t>(GetScrollLimit(SB_VERT), 0));
    ScrollToDevicePosition(pt);
}

void CScrollView32::ScrollToDevicePosition(ScrollPoint pt) {
    // The window moves by what the bars actually took, so a position the bar clamped
    // cannot leave the drawing offset from the bar.
    const std::int64_t oldX = GetScrollPos32(SB_HORZ);
    const std::int64_t newX = SetScrollPos32(SB_HORZ, pt.x);
    const std::int64_t oldY = GetScrollPos32(SB_VERT);
    const std::int64_t newY = SetScrollPos32(SB_VERT, pt.y);
    ScrollWindow(oldX - newX, oldY - newY);
}

void CScrollView32::ScrollWindow(std::int64_t dx, std::int64_t dy) {
    if (dx == 0 && dy == 0) return;
    QWidget* vp = viewport();
    if (dx <= -vp->width() || dx >= vp->width() || dy <= -vp->height() || dy >= vp->height()) {
        vp->update();
        return;
    }
    vp->scroll(static_cast<int>(dx), static_cast<int>(dy));
}

void CScrollView32::FillOutsideRect(QPainter& dc, const QColor& brush) const {
    const QRect rc = viewport()->rect();
    const std::int64_t width = rc.width();
    const std::int64_t height = rc.height();
    if (m_totalDev.cx < width) {
        const int x = static_cast<int>(m_totalDev.cx);
        dc.fillRect(QRect(x, 0, rc.width() - x, rc.height()), brush);
    }
    if (m_totalDev.cy < height) {
        const int y = static_cast<int>(m_totalDev.cy);
        const int right = static_cast<int>(std::min(m_totalDev.cx, width));
        if (right > 0) dc.fillRect(QRect(0, y, right, rc.height() - y), brush);
    }
}

QSize CScrollView32::GetScrollBarSizes() const {
    return {verticalScrollBar()->sizeHint().width(), horizontalScrollBar()->sizeHint().height()};
}

QSize CScrollView32::GetTrueClientSize() const {
    QSize size = viewport()->size();
    const QSize bars = GetScrollBarSizes();
    if (m_bHasBar[SB_VERT]) size.rwidth() += bars.width();
    if (m_bHasBar[SB_HORZ]) size.rheight() += bars.height();
    return size;
}

void CScrollView32::ShowBar(int bar, bool show) {
    if (m_bHasBar[bar] == show) return;
    m_bHasBar[bar] = show;
    if (!show) {
        m_nLimit[bar] = 0;
        m_nPos[bar] = 0;
        m_nShift[bar] = 0;
        const bool wasSetting = m_bSettingBar;
        m_bSettingBar = true;
        BarWidget(bar)->setRange(0, 0);
        m_bSettingBar = wasSetting;
    }
    const Qt::ScrollBarPolicy policy = show ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff;
    if (bar == SB_HORZ) {
        setHorizontalScrollBarPolicy(policy);
    } else {
        setVerticalScrollBarPolicy(policy);
    }
}

void CScrollView32::SetBarRange(int bar, std::int64_t total, std::int64_t visible) {
    const std::int64_t limit = std::max<std::int64_t>(total - visible, 0);
    int shift = 0;
    while ((total >> shift) > kBarMax) ++shift;
    m_nLimit[bar] = limit;
    m_nShift[bar] = shift;
    const std::int64_t line = bar == SB_HORZ ? m_lineDev.cx : m_lineDev.cy;

    QScrollBar* b = BarWidget(bar);
    const bool wasSetting = m_bSettingBar;
    m_bSettingBar = true;
    b->setRange(0, static_cast<int>(limit >> shift));
    b->setPageStep(static_cast<int>(std::clamp<std::int64_t>(visible >> shift, 1, kBarMax)));
    b->setSingleStep(static_cast<int>(std::clamp<std::int64_t>(line >> shift, 1, kBarMax)));
    m_bSettingBar = wasSetting;

    if (m_nPos[bar] > limit) {
        // A shorter range takes the position with it, as the bar itself would.
        m_nPos[bar] = limit;
        viewport()->update();
    }
    SyncBarValue(bar);
}

void CScrollView32::UpdateBars() {
    if (m_bInsideUpdate) return;
    m_bInsideUpdate = true;

    const QSize client = GetTrueClientSize();
    const QSize bars = GetScrollBarSizes();
    if (client.width() <= bars.width() || client.height() <= bars.height()) {
        if (viewport()->width() > 0 && viewport()->height() > 0) {
            ShowBar(SB_HORZ, false);
            ShowBar(SB_VERT, false);
        }
        m_bInsideUpdate = false;
        return;
    }

    // How far each axis can scroll, and where the position must go for the new sizes.
    ScrollSize range{m_totalDev.cx - client.width(), m_totalDev.cy - client.height()};
    ScrollPoint target = GetDeviceScrollPosition();
    bool needH = range.cx > 0;
    if (!needH) {
        target.x = 0;
    } else {
        range.cy += bars.height();
    }
    const bool needV = range.cy > 0;
    if (!needV) {
        target.y = 0;
    } else {
        range.cx += bars.width();
    }
    if (needV && !needH && range.cx > 0) {
        // The vertical bar took enough width to make the horizontal one necessary.
        needH = true;
        range.cy += bars.height();
    }
    if (range.cx > 0 && target.x >= range.cx) target.x = range.cx;
    if (range.cy > 0 && target.y >= range.cy) target.y = range.cy;

    QSize visible = client;
    if (needH) visible.rheight() -= bars.height();
    if (needV) visible.rwidth() -= bars.width();

    ScrollToDevicePosition(target);

    ShowBar(SB_HORZ, needH);
    if (needH) SetBarRange(SB_HORZ, m_totalDev.cx, visible.width());
    ShowBar(SB_VERT, needV);
    if (needV) SetBarRange(SB_VERT, m_totalDev.cy, visible.height());

    m_bInsideUpdate = false;
}

bool CScrollView32::OnScroll(int bar, ScrollCode code, bool doScroll) {
    const std::int64_t old = GetScrollPos32(bar);
    const std::int64_t line = bar == SB_HORZ ? m_lineDev.cx : m_lineDev.cy;
    const std::int64_t page = bar == SB_HORZ ? m_pageDev.cx : m_pageDev.cy;
    std::int64_t pos = old;
    switch (code) {
        case SB_LINEUP:
            pos -= line;
            break;
        case SB_LINEDOWN:
            pos += line;
            break;
        case SB_PAGEUP:
            pos -= page;
            break;
        case SB_PAGEDOWN:
            pos += page;
            break;
        case SB_THUMBTRACK: {
            const QScrollBar* b = BarWidget(bar);
            // The bar's last value stands for the exact end, which a scaled bar could
            // otherwise miss by up to the scale.
            pos = m_nTrackPos[bar] >= b->maximum()
                      ? m_nLimit[bar]
                      : static_cast<std::int64_t>(m_nTrackPos[bar]) << m_nShift[bar];
            break;
        }
        case SB_TOP:
            pos = 0;
            break;
        case SB_BOTTOM:
            pos = kFarEnd;
            break;
    }
    return bar == SB_HORZ ? OnScrollBy({pos - old, 0}, doScroll)
                          : OnScrollBy({0, pos - old}, doScroll);
}

bool CScrollView32::OnScrollBy(ScrollSize delta, bool doScroll) {
    if (!m_bHasBar[SB_VERT]) delta.cy = 0;
    if (!m_bHasBar[SB_HORZ]) delta.cx = 0;
    const ScrollPoint old = GetDeviceScrollPosition();
    const std::int64_t x = MoveWithin(old.x, delta.cx, GetScrollLimit(SB_HORZ));
    const std::int64_t y = MoveWithin(old.y, delta.cy, GetScrollLimit(SB_VERT));
    if (x == old.x && y == old.y) return false;
    if (doScroll) {
        ScrollWindow(old.x - x, old.y - y);
        if (x != old.x) SetScrollPos32(SB_HORZ, x);
        if (y != old.y) SetScrollPos32(SB_VERT, y);
    }
    return true;
}

bool CScrollView32::OnMouseWheel(Qt::KeyboardModifiers modifiers, int delta) {
    if (modifiers & (Qt::ShiftModifier | Qt::ControlModifier)) return false;
    const bool hasV = m_bHasBar[SB_VERT];
    const bool hasH = m_bHasBar[SB_HORZ];
    if (!hasV && !hasH) return false;
    const std::int64_t page = hasV ? m_pageDev.cy : m_pageDev.cx;
    const std::int64_t line = hasV ? m_lineDev.cy : m_lineDev.cx;

    std::int64_t displacement = 0;
    if (m_nWheelLines == WHEEL_PAGESCROLL) {
        m_nWheelRemainder = 0;
        displacement = delta > 0 ? -page : page;
    } else {
        // Wheels with finer steps than a notch (touchpads, free-spinning wheels) send
        // parts of a notch; they add up to whole lines instead of being lost or rounded
        // to a line each. A change of direction starts afresh.
        const std::int64_t units = -static_cast<std::int64_t>(delta) * m_nWheelLines;
        if ((units < 0) != (m_nWheelRemainder < 0)) m_nWheelRemainder = 0;
        m_nWheelRemainder += units;
        const std::int64_t lines = m_nWheelRemainder / kWheelDelta;
        m_nWheelRemainder -= lines * kWheelDelta;
        displacement = std::min(lines * line, page);
    }
    return hasV ? OnScrollBy({0, displacement}, true) : OnScrollBy({displacement, 0}, true);
}

void CScrollView32::OnPrepareDC(QPainter& dc, bool printing) {
    (void)dc;
    if (printing) {
        m_ptViewportOrg = {};
    } else {
        const ScrollPoint pos = GetDeviceScrollPosition();
        m_ptViewportOrg = {-pos.x, -pos.y};
    }
}

void CScrollView32::OnEraseBkgnd(QPainter& dc) {
    dc.fillRect(viewport()->rect(), palette().color(QPalette::Base));
}

void CScrollView32::OnSize() {
    UpdateBars();
}

int CScrollView32::ToDevice(std::int64_t v) {
    constexpr std::int64_t kFar = std::int64_t{1} << 24;
    return static_cast<int>(std::clamp(v, -kFar, kFar));
}

void CScrollView32::paintEvent(QPaintEvent* event) {
    QPainter dc(viewport());
    m_rcPaint = event->rect();
    OnEraseBkgnd(dc);
    OnPrepareDC(dc, false);
    OnDraw(dc);
}

void CScrollView32::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    OnSize();
}

void CScrollView32::wheelEvent(QWheelEvent* event) {
    const int delta = event->angleDelta().y();
    if (delta == 0 || !(m_bHasBar[SB_VERT] || m_bHasBar[SB_HORZ]) ||
        (event->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier))) {
        event->ignore();
        return;
    }
    OnMouseWheel(event->modifiers(), delta);
    event->accept();
}

void CScrollView32::scrollContentsBy(int dx, int dy) {
    // Scrolling is done in ScrollWindow, from the positions kept here.
    (void)dx;
    (void)dy;
}

bool CScrollView32::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel &&
        (watched == horizontalScrollBar() || watched == verticalScrollBar())) {
        // A wheel over a bar scrolls like a wheel over the view, by the view's rules.
        wheelEvent(static_cast<QWheelEvent*>(event));
        return true;
    }
    return QAbstractScrollArea::eventFilter(watched, event);
}

void CScrollView32::OnBarAction(int bar, int action) {
    QScrollBar* b = BarWidget(bar);
    m_nTrackPos[bar] = b->sliderPosition();
    // Undo the step the bar proposes; the request below decides where it goes.
    const bool wasSetting = m_bSettingBar;
    m_bSettingBar = true;
    b->setSliderPosition(b->value());
    m_bSettingBar = wasSetting;

    ScrollCode code = SB_LINEUP;
    switch (action) {
        case QAbstractSlider::SliderSingleStepSub:
            code = SB_LINEUP;
            break;
        case QAbstractSlider::SliderSingleStepAdd:
            code = SB_LINEDOWN;
            break;
        case QAbstractSlider::SliderPageStepSub:
            code = SB_PAGEUP;
            break;
        case QAbstractSlider::SliderPageStepAdd:
            code = SB_PAGEDOWN;
            break;
        case QAbstractSlider::SliderToMinimum:
            code = SB_TOP;
            break;
        case QAbstractSlider::SliderToMaximum:
            code = SB_BOTTOM;
            break;
        case QAbstractSlider::SliderMove:
            code = SB_THUMBTRACK;
            break;
        default:
            return;
    }
    OnScroll(bar, code, true);
}

void CScrollView32::OnBarValueChanged(int bar, int value) {
    if (m_bSettingBar) return;
    // A value the bar took on its own (not through a request): follow it.
    const QScrollBar* b = BarWidget(bar);
    const std::int64_t pos =
        value >= b->maximum() ? m_nLimit[bar] : static_cast<std::int64_t>(value) << m_nShift[bar];
    if (pos == m_nPos[bar]) return;
    ScrollPoint pt = GetDeviceScrollPosition();
    (bar == SB_HORZ ? pt.x : pt.y) = pos;
    ScrollToDevicePosition(pt);
}
