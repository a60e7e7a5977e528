#pragma once

#include <QLockFile>
#include <QString>

// Another running copy of Velquon that holds a folder, as a copy holds the folders of its stores, while this test
// process runs as a copy too (it holds its own settings' lock): a store this process would open or make there is
// another copy's. The system's lock on a file keeps out every other opening of it, in this process as well.
class AnotherCopy {
public:
    explicit AnotherCopy(const QString& folder);
    bool holds() const { return m_holds; }

private:
    QLockFile m_lock;
    bool m_holds = false;
};

// This test process runs as a copy, as start-up leaves one: it holds its settings' lock and the folders of the
// stores in use. False when it cannot.
bool runAsACopy();
