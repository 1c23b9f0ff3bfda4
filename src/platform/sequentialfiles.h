#pragma once

#include <QByteArray>
#include <QString>

#include <map>
#include <memory>

class QSaveFile;

namespace platform {

// Sequential text-file output under file numbers. A file opened for output replaces the old
// content only when it is closed after a complete write: a failed write leaves the old file.
class SequentialFiles
{
public:
    explicit SequentialFiles(QString driveCRoot);
    ~SequentialFiles();

    void openForOutput(int fileNumber, const QString &path);
    // Writes the text followed by CR LF, as a print statement does.
    void print(int fileNumber, const QByteArray &text);
    // Commits the file. The number is released even when the commit fails.
    void close(int fileNumber);
    // Releases the number and drops what was written; the old file stays as it was.
    void abandon(int fileNumber) noexcept;

    bool isOpen(int fileNumber) const { return m_files.count(fileNumber) != 0; }

private:
    QSaveFile &file(int fileNumber);

    QString m_driveCRoot;
    std::map<int, std::unique_ptr<QSaveFile>> m_files;
};

} // namespace platform
