#pragma once

// Whose query text runs: the program's user's own (a view, a search, a statistic of theirs), which may read
// whatever the log holds; or a peer's (a client's request on the server), which runs within the untrusted
// bounds (SqlDatabase::prepareUntrusted), and only while it runs.
enum class QuerySource { User, Peer };
