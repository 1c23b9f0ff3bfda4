#pragma once

#include <QString>

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

} // namespace confinement
