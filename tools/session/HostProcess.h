// SPDX-License-Identifier: Apache-2.0
// What a process hosting the component sets up around its application
// object: the platform and browser engine settings, quiet logging, and the
// unloading of component libraries once the application is gone.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QApplication;

/// Call before the application object exists. `headless` selects the
/// offscreen platform; `engineFlag`, when given, is added to the browser
/// engine's flags unless they name it already.
void prepareHostProcess(bool headless, const QByteArray &engineFlag = {});

/// Runs `body` with an application object named `name` that does not quit
/// when its last window closes; unloads the component libraries no longer
/// in use once the application object is gone. Answers what `body` answered.
int runHostApplication(int &argc, char **argv, const QString &name,
                       const std::function<int(QApplication &)> &body);
