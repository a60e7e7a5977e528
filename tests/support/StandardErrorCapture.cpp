#include "StandardErrorCapture.h"

#include <cstdio>
#include <unistd.h>

StandardErrorCapture::StandardErrorCapture()
{
    if (!m_file.open())
        return;
    m_testHandler = qInstallMessageHandler(nullptr);
    std::fflush(stderr);
    m_saved = ::dup(STDERR_FILENO);
    ::dup2(m_file.handle(), STDERR_FILENO);
}

StandardErrorCapture::~StandardErrorCapture() { end(); }

void StandardErrorCapture::end()
{
    if (m_saved < 0)
        return;
    std::fflush(stderr);
    ::dup2(m_saved, STDERR_FILENO);
    ::close(m_saved);
    m_saved = -1;
    qInstallMessageHandler(m_testHandler);
}

QString StandardErrorCapture::take()
{
    end();
    if (!m_file.isOpen() || !m_file.seek(0))
        return QString();
    return QString::fromLocal8Bit(m_file.readAll());
}
