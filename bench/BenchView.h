#pragma once

#include <QImage>
#include <QScrollBar>

#include "BenchHost.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"

// The document and the view as the window holds them, in a window 1,920 x 1,080 pixels.
// Needs the application object and the locale formats first.
struct BenchView {
    explicit BenchView(const char* program)
        : host(program), doc(host, &measurer), view(doc, measurer) {
        host.onLinesChanged = [this] { view.OnUpdate(); };
        view.resize(1920, 1080);
        view.show();
        view.OnInitialUpdate();
    }

    // Makes the viewport exactly 1,080 pixels high, whatever the bars take, and returns
    // an image of its size to paint into.
    QImage FullHeightImage() {
        const int bar = view.HasScrollBar(CScrollView32::SB_HORZ)
                            ? view.horizontalScrollBar()->sizeHint().height()
                            : 0;
        view.resize(1920, 1080 + bar);
        return QImage(view.viewport()->size(), QImage::Format_ARGB32_Premultiplied);
    }

    BenchHost host;
    const CQtTextMeasurer measurer;
    CTrawlviewDoc doc;
    CTrawlviewView view;
};
