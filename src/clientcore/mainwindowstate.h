#pragma once

#include <QString>

namespace clientcore {

// The main window's state, in declaration order.
struct MainWindowState
{
    bool isopening = false; // an open from the server list is in progress
    QString saveurl;        // upload address of the last document opened from the list
    bool isopened = false;  // a list document is open and not closed since
};

} // namespace clientcore
