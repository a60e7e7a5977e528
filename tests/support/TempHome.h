#pragma once

#include <QString>
#include <QTemporaryDir>

// Gives a test its own VELQUON_HOME (settings, databases, data files) and resets the cached settings
// store, so no test sees another's files or the real user's. Made and gone, it also puts every
// program-wide object and flag back as a fresh start finds them (resetForTests).
class TempHome {
public:
    TempHome();
    ~TempHome();
    QString path() const { return m_dir.path(); }
    QString file(const QString& name) const { return m_dir.path() + QLatin1Char('/') + name; }

private:
    QTemporaryDir m_dir;
    QByteArray m_previous;
};
