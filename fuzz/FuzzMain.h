#pragma once

#include <QCoreApplication>

#include <cstdlib>

// Image plugins are found through the application object; make one once.
inline void pictavoFuzzInit(int* argc, char*** argv) {
    static QCoreApplication app(*argc, *argv);
    (void)app;
}
