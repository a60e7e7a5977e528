#include "TempHome.h"

#include <QTest>

#include "ResetForTests.h"
#include "core/ProgramLinks.h"
#include "core/modProperties.h"
#include "platform/ProgramFolder.h"

TempHome::TempHome()
{
    m_previous = qgetenv("VELQUON_HOME");
    qputenv("VELQUON_HOME", m_dir.path().toUtf8());
    resetSettingsStore();
    resetForTests();
    // Tests run from the build tree: the bundled files are the source tree's.
    setDevelopmentDataFolder(QStringLiteral(VELQUON_SOURCE_DIR "/resources"));
    // The event loop run by code that holds no long task is a fault wherever a test reaches it.
    LongTask::setStrayYieldHandler(
        [](const char* file, int line) { QTest::qFail("The event loop ran without a long task", file, line); });
}

TempHome::~TempHome()
{
    // The databases close before their folder goes.
    resetForTests();
    resetSettingsStore();
    if (m_previous.isEmpty())
        qunsetenv("VELQUON_HOME");
    else
        qputenv("VELQUON_HOME", m_previous);
}
