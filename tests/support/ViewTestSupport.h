#pragma once

#include <QApplication>
#include <QFont>
#include <QFontMetrics>

#include "CTrawlviewView.h"
#include "FakeDocumentHost.h"

// The document's owner as the main window will be: every rebuild goes to the view.
class ViewHost : public FakeDocumentHost {
public:
    void LinesChanged() override {
        FakeDocumentHost::LinesChanged();
        if (view != nullptr) view->OnUpdate();
    }
    CTrawlviewView* view = nullptr;
};

// The application font at the pixel size that makes a line 16 pixels high, so page
// sizes come out in round numbers.
inline QFont SixteenPixelFont() {
    QFont font = QApplication::font();
    for (int px = 8; px < 40; ++px) {
        font.setPixelSize(px);
        QFont probe = font;
        probe.setHintingPreference(QFont::PreferFullHinting);
        if (QFontMetrics(probe).height() == 16) return font;
    }
    return font;
}
