#include "RunApplication.h"

#include <QApplication>
#include <string>
#include <vector>

#include "CTrawlviewApp.h"

int RunApplication(int argc, char** argv) {
    QApplication qtApp(argc, argv);
    // QApplication has taken its own options out of argv; the rest stays bytes.
    const std::vector<std::string> arguments(argv, argv + argc);
    CTrawlviewApp app;
    if (!app.InitInstance(arguments)) return app.GetExitCode();
    const int code = QApplication::exec();
    app.ExitInstance();
    return code;
}
