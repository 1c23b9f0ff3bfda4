#include "form1.h"

#include "commands.h"
#include "dialog.h"
#include "frmabout.h"
#include "helplinks.h"

#include "hostsite.h"
#include "sequentialfiles.h"
#include "twips.h"

// What the window's menus and buttons do: each handler hands the command to the subsystem
// that owns its rule.

// ---- Opening and closing

void Form1::mnuOpenLoacl_Click()
{
    doccontrol::openLocalDocument(m_context);
}

void Form1::mnuOpenRemote_Click()
{
    doccontrol::openTypedAddressShown(m_context);
    if (!m_dialog)
        m_dialog = new doccontrol::Dialog(m_parts.serverBase, m_quillary, m_errors, this);
    m_dialog->exec();
}

void Form1::mnuClose_Click()
{
    doccontrol::closeDocument(m_context);
}

// ---- Saving and verification

void Form1::Command1_Click()
{
    doccontrol::saveLocal(m_context);
}

void Form1::Command2_Click()
{
    doccontrol::saveRemote(m_context);
}

void Form1::Command3_Click()
{
    doccontrol::showServerPage(m_context, *m_browserSite, platform::outerSizeInTwips(this));
}

// ---- Editing

void Form1::Command4_Click()
{
    doccontrol::replaceContent(m_context);
}
void Form1::Command5_Click()
{
    doccontrol::insertRemotePicture(m_context);
}
void Form1::Command6_Click()
{
    doccontrol::stamp(m_context);
}
void Form1::Command7_Click()
{
    doccontrol::handwrittenSignature(m_context);
}

void Form1::Command8_Click()
{
    doccontrol::insertTable(m_context, *m_parts.files, m_parts.programDirectory);
}

void Form1::Command9_Click()
{
    doccontrol::protectDocument(m_context);
}
void Form1::Command10_Click()
{
    doccontrol::unprotectDocument(m_context);
}

// ---- Conversion and batch download

void Form1::Command11_Click()
{
    doccontrol::wordToPdf(m_context);
}
void Form1::Command12_Click()
{
    doccontrol::excelToPdf(m_context);
}
void Form1::Command13_Click()
{
    doccontrol::batchDownload(m_context);
}

// ---- Help and About

void Form1::mnuBBS_Click()
{
    about::openHelpPage(*m_parts.launcher, m_parts.serverBase, QStringLiteral("/officebbs/"));
}

void Form1::mnuPro_Click()
{
    about::openHelpPage(*m_parts.launcher, m_parts.serverBase,
                        QStringLiteral("/quillaryintro.htm"));
}

void Form1::mnuBuy_Click()
{
    about::openHelpPage(*m_parts.launcher, m_parts.serverBase, QStringLiteral("/quillary.htm"));
}

void Form1::mnuAbout_Click()
{
    auto *box = new about::FrmAbout(m_errors, this);
    box->exec();
}
