// The debug-log categories and their default level.
#include "io/log_categories.h"

#ifdef NDEBUG
#define VELMORA_LOG_LEVEL QtInfoMsg // debug lines off
#else
#define VELMORA_LOG_LEVEL QtDebugMsg
#endif

Q_LOGGING_CATEGORY(lcExpr, "velmora.expr", VELMORA_LOG_LEVEL)
Q_LOGGING_CATEGORY(lcLinalg, "velmora.linalg", VELMORA_LOG_LEVEL)
Q_LOGGING_CATEGORY(lcIo, "velmora.io", VELMORA_LOG_LEVEL)
Q_LOGGING_CATEGORY(lcModel, "velmora.model", VELMORA_LOG_LEVEL)
Q_LOGGING_CATEGORY(lcCnm, "velmora.cnm", VELMORA_LOG_LEVEL)
Q_LOGGING_CATEGORY(lcApp, "velmora.app", VELMORA_LOG_LEVEL)
