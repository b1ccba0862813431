// Whether the browser engine of this installation can start at all. The
// engine ends the whole process when its helper program or its resources
// are missing, so the browser control looks before it starts the engine.
#pragma once

#include <QString>

/// What keeps the browser engine from starting (its helper process missing
/// or not executable, its resource pack missing), looked for where the engine
/// looks; an empty text when nothing does.
QString webEngineStartProblem();
