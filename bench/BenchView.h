#pragma once

#include "BenchHost.h"
#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"

// The document and the view as the window holds them, in a window 1,920 x 1,080 pixels.
// Needs the application object and the locale formats first.
struct BenchView {
    explicit BenchView(const char* program) : host(program), doc(host, &measurer), view(doc, measurer) {
        host.onLinesChanged = [this] { view.OnUpdate(); };
        view.resize(1920, 1080);
        view.show();
        view.OnInitialUpdate();
    }

    BenchHost host;
    const CQtTextMeasurer measurer;
    CTrawlviewDoc doc;
    CTrawlviewView view;
};
