// The program's debug-log categories, one per layer: "velmora.expr", "velmora.linalg",
// "velmora.io", "velmora.model", "velmora.cnm" and "velmora.app" (window and charts). Debug
// lines are off by default in release builds and on in debug builds; QT_LOGGING_RULES
// switches them, e.g. QT_LOGGING_RULES="velmora.*.debug=true" for all of them or
// "velmora.cnm.debug=true" for the engine alone.
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcExpr)
Q_DECLARE_LOGGING_CATEGORY(lcLinalg)
Q_DECLARE_LOGGING_CATEGORY(lcIo)
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcCnm)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
