#include "sequentialfiles.h"
#include "windowspath.h"

#include "automation/automationerror.h"

#include <QDir>
#include <QFileInfo>
#include <QLoggingCategory>
#include <QSaveFile>

Q_LOGGING_CATEGORY(lcFiles, "quillary.platform.files")

namespace platform {

namespace {
constexpr std::int32_t BadFileNumber = 52;
constexpr std::int32_t FileAlreadyOpen = 55;
constexpr std::int32_t PathFileAccessError = 75;

automation::AutomationError accessError(const QString &path, const QString &reason)
{
    qCWarning(lcFiles) << "cannot write" << path << ":" << reason;
    return automation::AutomationError(
        PathFileAccessError, ("路径/文件访问错误：" + path + "（" + reason + "）").toStdString());
}
} // namespace

SequentialFiles::SequentialFiles(QString driveCRoot) : m_driveCRoot(std::move(driveCRoot)) {}

SequentialFiles::~SequentialFiles() = default;

void SequentialFiles::openForOutput(int fileNumber, const QString &path)
{
    if (fileNumber < 1 || fileNumber > 511)
        throw automation::AutomationError(BadFileNumber, "文件号无效");
    if (isOpen(fileNumber))
        throw automation::AutomationError(FileAlreadyOpen, "文件已打开");

    const QString hostPath = mapWindowsPath(path, m_driveCRoot);
    QDir().mkpath(QFileInfo(hostPath).absolutePath());
    auto file = std::make_unique<QSaveFile>(hostPath);
    if (!file->open(QIODevice::WriteOnly))
        throw accessError(hostPath, file->errorString());
    m_files[fileNumber] = std::move(file);
}

QSaveFile &SequentialFiles::file(int fileNumber)
{
    auto it = m_files.find(fileNumber);
    if (it == m_files.end())
        throw automation::AutomationError(BadFileNumber, "文件号无效");
    return *it->second;
}

void SequentialFiles::print(int fileNumber, const QByteArray &text)
{
    QSaveFile &out = file(fileNumber);
    if (out.write(text + "\r\n") != text.size() + 2)
        throw accessError(out.fileName(), out.errorString());
}

void SequentialFiles::close(int fileNumber)
{
    auto it = m_files.find(fileNumber);
    if (it == m_files.end())
        throw automation::AutomationError(BadFileNumber, "文件号无效");
    std::unique_ptr<QSaveFile> out = std::move(it->second);
    m_files.erase(it);
    if (!out->commit())
        throw accessError(out->fileName(), out->errorString());
}

void SequentialFiles::abandon(int fileNumber) noexcept
{
    auto it = m_files.find(fileNumber);
    if (it == m_files.end())
        return;
    it->second->cancelWriting();
    m_files.erase(it);
}

} // namespace platform
