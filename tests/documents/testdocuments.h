#pragma once

#include <QByteArray>
#include <QString>

// The documents the tests open, made at build time from tests/documents/sources:
// sample.{doc,docx,odt,rtf,html,fodt} (two pages of text), sample.{xls,xlsx,ods,fods} (sheets
// "First" and "Second"), sample.{ppt,pptx,odp,fodp} (three slides), figures.{xls,xlsx} (items
// in A1:A4, amounts in B1:B3 and their sum in B4), slides.pptx (three slides, black in their
// left, middle and right third), cat.fodt, three-sheets.fods, inserted.rtf, inserted.txt and
// styled.fodt (a bold paragraph, then plain ones).
// Untrusted input: linked-picture.{docx,fodt}, linked-sheet.fods (WEBSERVICE and another
// workbook) and remote-html.doc (HTML with a remote stylesheet, background and picture) link to
// 127.0.0.1:linkListenerPort(); bomb.docx unpacks to 1.5 GiB; heavy.docx (90 MiB unpacked)
// takes LibreOffice more than 1 GiB of memory; damaged.docx's headers disagree
// with its directory; encrypted.odt asks for a password.
namespace testdocuments {

QString path(const QString &name);
QByteArray bytes(const QString &name);
// A folder in the build tree for what tests keep between runs (the engine's profiles).
QString cacheDir();
// Where the untrusted documents' links point, on 127.0.0.1.
quint16 linkListenerPort();

} // namespace testdocuments
