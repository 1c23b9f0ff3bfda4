#pragma once

#include <QLoggingCategory>

// The path of an edit from the control's input through the engine to the view's tiles, traced
// by both processes under one category, off by default. Turn it on with
//   QT_LOGGING_RULES="quillary.latency.debug=true"
//   QT_MESSAGE_PATTERN="%{time boot} %{appname} %{message}"
// and each hop prints a line stamped on the clock both processes share.
Q_DECLARE_LOGGING_CATEGORY(lcLatency)
