#pragma once

// What every fuzz target sets up once per process: an application object (the code under test uses timers
// and events), a private program folder for the files it reads and writes, nothing that waits for a person,
// and no chatter on the terminal.

#include <QCoreApplication>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

inline void fuzzQuietMessages(QtMsgType, const QMessageLogContext&, const QString&) {}

inline void fuzzInit(int* argc, char*** argv)
{
    qputenv("VELQUON_NONINTERACTIVE", "1");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QTemporaryDir home;
    qputenv("VELQUON_HOME", home.path().toUtf8());
    static QCoreApplication app(*argc, *argv);
    qInstallMessageHandler(fuzzQuietMessages);
}

// A broken promise of the code under test: reported the way libFuzzer keeps a crashing input.
#define FUZZ_CHECK(condition)                                                                                          \
    do {                                                                                                               \
        if (!(condition)) {                                                                                            \
            std::fprintf(stderr, "fuzz check failed: %s (%s:%d)\n", #condition, __FILE__, __LINE__);                   \
            std::abort();                                                                                              \
        }                                                                                                              \
    } while (false)
