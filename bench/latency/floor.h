#pragma once

#include <QList>
#include <QString>

// The floor of the latency benchmark: each operation done by LibreOfficeKit in the benchmark's
// own process, with no control in between. A run of its own, as LibreOffice allows one office
// per process.
namespace latencyfloor {

// A document and the tiles its view shows: columns x rows tiles of side twips from the top.
struct View
{
    QString name;
    QString path;
    int side = 0;
    int columns = 0;
    int rows = 0;
};

// Measures every operation the benchmark knows for each view's document and prints one line
// per operation: "<document> <operation> <median ms> <worst ms>". The process exit status.
int run(const QList<View> &views, int runs);

} // namespace latencyfloor
