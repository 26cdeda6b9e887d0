#pragma once
// The window's parts as tests, benchmarks and fuzz targets reach them: found among the window's children
// (and, for the start-up picture, among the top-level windows), since the window has no accessors for
// tests. A part that is not there ends the program: every caller needs it.
#include <QApplication>
#include <cstdio>
#include <cstdlib>

#include "exchange/cycle.h"
#include "session/devicesession.h"
#include "ui/mainwindow.h"
#include "ui/portpanel.h"
#include "ui/readertab.h"
#include "ui/splashwindow.h"

namespace kestrel::test {

template <typename Part>
Part& partOf(const QObject& window) {
    Part* part = window.findChild<Part*>();
    if (!part) {
        std::fprintf(stderr, "the window has no %s\n", Part::staticMetaObject.className());
        std::abort();
    }
    return *part;
}
// The start-up picture on screen now, if any.
inline SplashWindow* shownSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* splash = qobject_cast<SplashWindow*>(w)) return splash;
    return nullptr;
}

}  // namespace kestrel::test
