#include "network/clsServer.h"

clsServer* gServer = nullptr;

clsServer::clsServer(QObject* parent) : QObject(parent) {}

void clsServer::SendData(const QString& data, int index, int exceptIndex)
{
    (void)index;
    (void)exceptIndex;
    sentLog.append(data);
    Q_EMIT dataSent(data);
}
