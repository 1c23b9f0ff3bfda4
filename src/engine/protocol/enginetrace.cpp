#include "enginetrace.h"

Q_LOGGING_CATEGORY(lcLatency, "quillary.latency", QtWarningMsg)
