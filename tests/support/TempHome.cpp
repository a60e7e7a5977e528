#include "TempHome.h"

#include "ResetForTests.h"
#include "core/modProperties.h"

TempHome::TempHome()
{
    m_previous = qgetenv("VELQUON_HOME");
    qputenv("VELQUON_HOME", m_dir.path().toUtf8());
    resetSettingsStore();
    resetForTests();
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
