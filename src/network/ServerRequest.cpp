#include "network/ServerRequest.h"

#include "core/modError.h"
#include "core/modMain.h"
#include "network/clsClient.h"
#include "network/clsServer.h"

ServerRequest::ServerRequest(qint32 index) : m_index(index)
{
    if (clsClient* client = gServer ? gServer->Clients(index) : nullptr) {
        m_client = client;
        m_address = client->RemoteHostIP();
    }
}

bool ServerRequest::present() const { return gServer && m_client; }

bool ServerRequest::cancelled() const { return !present() || m_client->NetCancel(); }

void ServerRequest::cancelDispatched() const
{
    if (present())
        m_client->CancelDispatched();
}

void ServerRequest::reply(const QString& text) const
{
    if (present())
        gServer->SendData(text, m_index, -1);
}

void ServerRequest::replyError(qint32 number, const QString& description) const
{
    QString text = description;
    text.replace(QLatin1Char(';'), QLatin1Char(','));
    reply(QStringLiteral(";ERROR;") + QString::number(number) + QLatin1Char(';') + text + QLatin1Char(';'));
}

void ServerRequest::replyLastError() const { replyError(gErrNumber, gErrDescription); }

void ServerRequest::event(const QString& text) const { AddEvent(m_address + text); }
