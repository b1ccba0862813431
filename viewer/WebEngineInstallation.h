// SPDX-License-Identifier: Apache-2.0
// Whether the browser engine of this installation can start at all. The
// engine ends the whole process when its helper program or its resources
// are missing, so the browser control looks before it starts the engine.
#pragma once

#include <QString>

/// What keeps the browser engine from starting (its helper process missing,
/// not executable or unable to run, its resource pack missing or damaged),
/// looked for where the engine looks; an empty text when nothing does. The
/// helper is tried once per process, bounded in time.
QString webEngineStartProblem();

/// What is wrong with the structure of the resource pack at `path` ("is
/// empty", "is cut short", ...); an empty text when it is sound.
QString resourcePackProblem(const QString &path);
