#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>

// Printing without widgets: what a print job asks for, the engine's PDF export options that
// lay out its pages, and its hand-over to the system's print service (CUPS).
namespace framer {

enum class Sides { OneSided, LongEdge, ShortEdge };

struct PrintJob
{
    // The CUPS queue; empty when the job goes to outputFile instead.
    QString printer;
    // A PDF file to write; empty when the job goes to printer.
    QString outputFile;
    QString title;
    int copies = 1;
    bool collate = true;
    Sides sides = Sides::OneSided;
    // Pages from..to, counted from 1; 0 for all of them.
    int fromPage = 0;
    int toPage = 0;
};

// LibreOffice's PDF export options (its JSON) that give just the job's pages.
QByteArray pdfExportOptions(const PrintJob &job);
// The CUPS options of the job: copies, collation and sides.
QList<QPair<QByteArray, QByteArray>> cupsOptions(const PrintJob &job);
// Hands pdf to the job's CUPS queue; fails, in words a user reads, when CUPS refuses it.
// Returns the job's number.
int submitToCups(const QString &pdf, const PrintJob &job);

} // namespace framer
