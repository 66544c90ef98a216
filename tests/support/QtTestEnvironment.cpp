// One QApplication for a whole test program, made before the first test and destroyed
// after the last, offscreen unless told otherwise. The locale formats are pinned through
// the variables start-up reads, so no test depends on the machine's locale.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>

#include "PinnedLocales.h"

namespace {

class QtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
        PinLocales();
        m_app = std::make_unique<QApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[16] = "trawlview_tests";
    char* m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QApplication> m_app;
};

[[maybe_unused]] ::testing::Environment* const g_environment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);

}  // namespace
