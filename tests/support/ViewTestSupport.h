#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <string>
#include <vector>

#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "FakeDocumentHost.h"
#include "SelectionSteps.h"
#include "TempDir.h"

// The document's owner as the main window will be: every rebuild goes to the view.
class ViewHost : public FakeDocumentHost {
public:
    void LinesChanged() override {
        FakeDocumentHost::LinesChanged();
        if (view != nullptr) view->OnUpdate();
    }
    void LoadedLinesArrived(std::int64_t firstNew) override {
        FakeDocumentHost::LoadedLinesArrived(firstNew);
        if (view != nullptr) view->OnLinesArrived(firstNew);
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

// A view in a 600 x 400 window with 16-pixel lines (25 rows, a page of 24 lines) over a
// document whose rebuilds reach it, and a folder for the logs a test writes.
class ViewFixture : public ::testing::Test {
protected:
    ViewFixture() : measurer(SixteenPixelFont()), doc(host, &measurer), view(doc, measurer) {
        host.view = &view;
        view.resize(600, 400);
        view.show();
        view.OnInitialUpdate();
    }

    // Loads a log of these lines, each ended by CR LF.
    void Load(const std::vector<std::string>& lines) {
        std::string bytes;
        for (const std::string& line : lines) bytes += line + "\r\n";
        ASSERT_TRUE(doc.LoadLogFile(dir.Write("test.log", bytes)));
    }

    TempDir dir;
    ViewHost host;
    CQtTextMeasurer measurer;
    CTrawlviewDoc doc;
    CTrawlviewView view;
};
