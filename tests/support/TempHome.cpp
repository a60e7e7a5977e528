#include "TempHome.h"

#include "core/modMain.h"
#include "core/modProperties.h"
#include "platform/Prompt.h"

TempHome::TempHome()
{
    m_previous = qgetenv("VELQUON_HOME");
    qputenv("VELQUON_HOME", m_dir.path().toUtf8());
    resetSettingsStore();
    resetActivityLogState();
    Prompt::resetScript();
}

TempHome::~TempHome()
{
    resetSettingsStore();
    if (m_previous.isEmpty())
        qunsetenv("VELQUON_HOME");
    else
        qputenv("VELQUON_HOME", m_previous);
}
