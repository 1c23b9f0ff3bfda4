#pragma once

#include <QString>
#include <QStringList>

// What the engine process gives up before LibreOffice starts, so that a document can neither
// reach the network nor take the machine's memory, whatever LibreOffice makes of it.
namespace confinement {

// Moves the process into a network namespace of its own (through a user namespace, which
// needs no privilege where the kernel allows it): no interface but a loopback that is down.
// Local sockets bound to a path (the control's) still connect. False, with the reason in
// error, where the kernel refuses; the process is then as it was.
bool leaveNetwork(QString *error);

// Caps the process's address space at bytes. An allocation past it ends the process with
// engineprotocol::MemoryLimitExitStatus, which the control reports as a document too large.
bool limitMemory(quint64 bytes, QString *error);

// The folders the engine may open files in; everything else on disk is out of its reach.
struct FileAccess
{
    QStringList readOnly;  // read and run: the system, LibreOffice, fonts
    QStringList readWrite; // the control's work folder, the profile
};

// The engine's share of the disk: the system's folders read-only, fonts the user installed,
// fontconfig's cache, and workFolder and profileRoot to read and write. The user's home and
// the shared temporary folder are not in it.
FileAccess engineFileAccess(const QString &workFolder, const QString &profileRoot,
                            const QStringList &programFolders);

// Confines this thread and every thread it starts afterwards (LibreOffice's) to access
// through Landlock: a document that names a file outside it cannot have it read or written.
// Folders that do not exist are left out. False, with the reason in error, where the kernel
// has no Landlock; the process is then as it was.
bool confineFiles(const FileAccess &access, QString *error);

} // namespace confinement
