#pragma once

#include <QString>

// A server's answers to its clients' STATISTIC and GRAPH requests (the field after the keyword, as received):
// the engine computes them from the server's own call log and sends the reply to that client alone, behind a
// progress window "Sending Data To " and the client's address, stopped by the server user's Stop or the
// client's ";NETCANCEL;" (the cells done so far still go out). While the engine is busy with another
// computation the request waits its turn. The server's request dispatcher calls these with the requester's
// connection index.

// Adds "<address> Requested a Statistic", then replies ";STATISTIC;" with every cell, statistic-major.
void SendStatistic(qint32 index, const QString& payload);

// Adds "<address> Requested a Graph", then replies ";GRAPH;" with one line per bucket, or ";GRAPH;PARTIAL;" when
// the client cancelled, when a statistic or group it names is unknown here (graphing all calls under that name
// would be wrong), when the graph would be too large, or when it fails. A request whose dates cannot be read
// gets ";ERROR;" instead, as any unreadable request does.
void SendGraph(qint32 index, const QString& payload);

// The client with that connection index sent ";NETCANCEL;": its answers, running or waiting, stop at once
// and reply with what was done (";GRAPH;PARTIAL;" for a graph). The server reaches this through the window
// links (WindowLinks::netCancel) while an answer is held.
void CancelServerStatistics(qint32 index);
