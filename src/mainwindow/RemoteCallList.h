#pragma once

#include "mainwindow/CallListRefill.h"

// The client main window's refill: the rows of the server's last answer (gRemoteCallers), in the order they
// came, each matched to the client's copy of the contacts. A pass works on the rows as they were when it
// began; an answer that replaces them meanwhile starts a new pass once that one has ended.
class RemoteCallList : public CallListRefill {
    Q_OBJECT
public:
    using CallListRefill::CallListRefill;

protected:
    void readRows(CallRowBatch& batch) override;
};
