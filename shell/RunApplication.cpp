#include "RunApplication.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QScreen>

#include "CQtTextMeasurer.h"
#include "CTrawlviewDoc.h"
#include "CTrawlviewView.h"
#include "CViewerHost.h"
#include "LocaleFormats.h"

int RunApplication(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Trawlview"));
    // The view's timestamp column is measured from the locale's sample, so the formats
    // must be read before the view exists.
    LoadLocaleFormats();

    QMainWindow window;
    CViewerHost host(&window);
    const CQtTextMeasurer measurer;
    CTrawlviewDoc doc(host, &measurer);
    auto* view = new CTrawlviewView(doc, measurer, &window);
    window.setCentralWidget(view);
    host.SetView(view);
    view->OnInitialUpdate();

    QString title = QStringLiteral("Trawlview");
    if (argc > 1) {
        const std::string path = argv[1];
        host.SetLogPath(path);
        if (doc.LoadLogFile(path)) {
            title = QFileInfo(QString::fromLocal8Bit(argv[1])).fileName() + QStringLiteral(" - ") + title;
        }
    }
    window.setWindowTitle(title);
    if (const QScreen* screen = QApplication::primaryScreen()) {
        const QSize available = screen->availableSize();
        window.resize(available.width() * 3 / 4, available.height() * 3 / 4);
    }
    window.show();
    view->setFocus();
    return QApplication::exec();
}
