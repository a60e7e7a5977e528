#include "TempHome.h"

#include "ResetForTests.h"
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
