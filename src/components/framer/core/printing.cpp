#include "core/printing.h"

#include "core/controlfailure.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cups/cups.h>

#include <vector>

namespace framer {

QByteArray pdfExportOptions(const PrintJob &job)
{
    if (job.fromPage <= 0)
        return {};
    const int last = std::max(job.fromPage, job.toPage);
    const QString range = last == job.fromPage
                              ? QString::number(job.fromPage)
                              : QStringLiteral("%1-%2").arg(job.fromPage).arg(last);
    const QJsonObject pageRange{{QStringLiteral("type"), QStringLiteral("string")},
                                {QStringLiteral("value"), range}};
    return QJsonDocument(QJsonObject{{QStringLiteral("PageRange"), pageRange}})
        .toJson(QJsonDocument::Compact);
}

QList<QPair<QByteArray, QByteArray>> cupsOptions(const PrintJob &job)
{
    using Option = QPair<QByteArray, QByteArray>;
    QList<Option> options{Option("copies", QByteArray::number(std::max(1, job.copies)))};
    if (job.copies > 1)
        options.append(Option("collate", job.collate ? "true" : "false"));
    const char *sides = job.sides == Sides::LongEdge    ? "two-sided-long-edge"
                        : job.sides == Sides::ShortEdge ? "two-sided-short-edge"
                                                        : "one-sided";
    options.append(Option("sides", sides));
    return options;
}

int submitToCups(const QString &pdf, const PrintJob &job)
{
    cups_option_t *options = nullptr;
    int count = 0;
    for (const auto &[name, value] : cupsOptions(job))
        count = cupsAddOption(name.constData(), value.constData(), count, &options);
    count = cupsAddOption("document-format", "application/pdf", count, &options);
    const int id = cupsPrintFile(job.printer.toUtf8().constData(), pdf.toUtf8().constData(),
                                 job.title.toUtf8().constData(), count, options);
    cupsFreeOptions(count, options);
    if (id <= 0) {
        qCWarning(lcFramer).noquote()
            << "CUPS refused the job for" << job.printer << ":" << cupsLastErrorString();
        fail(QStringLiteral("无法打印到打印机“%1”：打印服务拒绝了这项打印任务，请检查打印机后再试")
                 .arg(job.printer));
    }
    return id;
}

} // namespace framer
