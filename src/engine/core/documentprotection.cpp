#include "documentprotection.h"

#include "officepackage.h"

#include <QList>
#include <QLoggingCategory>
#include <QSet>
#include <QXmlStreamReader>

#include <algorithm>
#include <utility>

namespace enginecore {

namespace {

Q_LOGGING_CATEGORY(lcProtection, "quillary.engine.protection")

const QString WordNamespaces[] = {
    QStringLiteral("http://schemas.openxmlformats.org/wordprocessingml/2006/main"),
    QStringLiteral("http://purl.oclc.org/ooxml/wordprocessingml/main")};
const QString ConfigNamespace = QStringLiteral("urn:oasis:names:tc:opendocument:xmlns:config:1.0");
const QString WordSettingsEntry = QStringLiteral("word/settings.xml");
const QString OpenDocumentSettingsEntry = QStringLiteral("settings.xml");

// The settings Word's schema puts before w:documentProtection; it goes before any other.
bool precedesProtection(QStringView name)
{
    static const QSet<QString> names = {"writeProtection",
                                        "view",
                                        "zoom",
                                        "removePersonalInformation",
                                        "removeDateAndTime",
                                        "doNotDisplayPageBoundaries",
                                        "displayBackgroundShape",
                                        "printPostScriptOverText",
                                        "printFractionalCharacterWidth",
                                        "printFormsData",
                                        "embedTrueTypeFonts",
                                        "embedSystemFonts",
                                        "saveSubsetFonts",
                                        "saveFormsData",
                                        "mirrorMargins",
                                        "alignBordersAndEdges",
                                        "bordersDoNotSurroundHeader",
                                        "bordersDoNotSurroundFooter",
                                        "gutterAtTop",
                                        "hideSpellingErrors",
                                        "hideGrammaticalErrors",
                                        "activeWritingStyle",
                                        "proofState",
                                        "formsDesign",
                                        "attachedTemplate",
                                        "linkStyles",
                                        "stylePaneFormatFilter",
                                        "stylePaneSortMethod",
                                        "documentType",
                                        "mailMerge",
                                        "revisionView",
                                        "trackRevisions",
                                        "doNotTrackMoves",
                                        "doNotTrackFormatting"};
    return names.contains(name.toString());
}

bool isOn(QStringView value)
{
    return value == u"1" || value == u"true" || value == u"on";
}

// Text taken out or put in at an offset of the settings.
struct Splice
{
    qsizetype at = 0;
    qsizetype length = 0;
    QString text;
};

QByteArray spliced(QString text, QList<Splice> splices)
{
    std::sort(splices.begin(), splices.end(),
              [](const Splice &a, const Splice &b) { return a.at > b.at; });
    for (const Splice &splice : splices)
        text.replace(splice.at, splice.length, splice.text);
    return text.toUtf8();
}

struct Element
{
    qsizetype start = 0;
    qsizetype end = 0;
};

// Where things are in Word settings: the protection elements and where one belongs.
struct WordLayout
{
    QString prefix;
    QList<Element> readOnly;
    QList<Element> others;
    qsizetype insertAt = -1;
};

std::optional<WordLayout> wordLayout(const QString &text)
{
    WordLayout layout;
    QXmlStreamReader xml(text);
    int depth = 0;
    std::optional<Element> protection;
    bool readOnly = false;
    while (!xml.atEnd()) {
        const qsizetype before = qsizetype(xml.characterOffset());
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const bool word = std::find(std::begin(WordNamespaces), std::end(WordNamespaces),
                                        xml.namespaceUri()) != std::end(WordNamespaces);
            if (depth == 1) {
                if (!word || xml.name() != u"settings")
                    return std::nullopt;
                layout.prefix = xml.prefix().toString();
            } else if (depth == 2 && word && xml.name() == u"documentProtection") {
                const QString ns = xml.namespaceUri().toString();
                readOnly = xml.attributes().value(ns, QStringLiteral("edit")) == u"readOnly" &&
                           isOn(xml.attributes().value(ns, QStringLiteral("enforcement")));
                protection = Element{before, 0};
            } else if (depth == 2 && layout.insertAt < 0 && !precedesProtection(xml.name())) {
                layout.insertAt = before;
            }
        } else if (xml.isEndElement()) {
            if (depth == 2 && protection) {
                protection->end = qsizetype(xml.characterOffset());
                (readOnly ? layout.readOnly : layout.others).append(*protection);
                protection.reset();
            } else if (depth == 1 && layout.insertAt < 0) {
                layout.insertAt = before;
            }
            --depth;
        }
    }
    if (xml.hasError() || layout.insertAt <= 0)
        return std::nullopt;
    return layout;
}

// Where LoadReadonly is, or where it would go, in OpenDocument settings.
struct OpenDocumentLayout
{
    QString prefix;
    std::optional<Element> loadReadonly;
    bool on = false;
    qsizetype insertAt = -1;
};

std::optional<OpenDocumentLayout> openDocumentLayout(const QString &text)
{
    OpenDocumentLayout layout;
    QXmlStreamReader xml(text);
    int depth = 0;
    int setDepth = 0; // of the configuration settings, while inside them
    std::optional<Element> item;
    QString value;
    while (!xml.atEnd()) {
        const qsizetype before = qsizetype(xml.characterOffset());
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            const bool config = xml.namespaceUri() == ConfigNamespace;
            const QStringView name =
                xml.attributes().value(ConfigNamespace, QStringLiteral("name"));
            if (config && xml.name() == u"config-item-set" &&
                name == u"ooo:configuration-settings") {
                setDepth = depth;
                layout.prefix = xml.prefix().toString();
                layout.insertAt = qsizetype(xml.characterOffset());
            } else if (setDepth && depth == setDepth + 1 && config &&
                       xml.name() == u"config-item" && name == u"LoadReadonly") {
                item = Element{before, 0};
                value.clear();
            }
        } else if (xml.isCharacters() && item) {
            value += xml.text();
        } else if (xml.isEndElement()) {
            if (item && depth == setDepth + 1) {
                item->end = qsizetype(xml.characterOffset());
                layout.loadReadonly = std::exchange(item, std::nullopt);
                layout.on = isOn(value.trimmed());
            }
            if (depth == setDepth)
                setDepth = 0;
            --depth;
        }
    }
    if (xml.hasError() || layout.insertAt < 0)
        return std::nullopt;
    return layout;
}

struct PackageSettings
{
    QString entry;
    bool word = false;
    std::optional<QByteArray> bytes;
};

// The settings of a Word or OpenDocument text package; nothing for other files.
std::optional<PackageSettings> settingsOf(const QString &path)
{
    if (auto word = readPackageEntry(path, WordSettingsEntry))
        return PackageSettings{WordSettingsEntry, true, std::move(word)};
    const auto mimetype = readPackageEntry(path, QStringLiteral("mimetype"));
    if (!mimetype || !mimetype->startsWith("application/vnd.oasis.opendocument.text"))
        return std::nullopt;
    return PackageSettings{OpenDocumentSettingsEntry, false,
                           readPackageEntry(path, OpenDocumentSettingsEntry)};
}

} // namespace

bool wordSettingsProtected(const QByteArray &settings)
{
    const auto layout = wordLayout(QString::fromUtf8(settings));
    return layout && !layout->readOnly.isEmpty();
}

std::optional<QByteArray> withWordProtection(const QByteArray &settings, bool on)
{
    const QString text = QString::fromUtf8(settings);
    const auto layout = wordLayout(text);
    if (!layout)
        return std::nullopt;
    QList<Splice> splices;
    for (const Element &element : layout->readOnly)
        splices.append({element.start, element.end - element.start, {}});
    if (on) {
        // One protection only: Word's own of another kind gives way to read-only.
        for (const Element &element : layout->others)
            splices.append({element.start, element.end - element.start, {}});
        const QString w = layout->prefix.isEmpty() ? QString() : layout->prefix + QLatin1Char(':');
        splices.append({layout->insertAt, 0,
                        QStringLiteral("<%1documentProtection %1edit=\"readOnly\" "
                                       "%1enforcement=\"1\"/>")
                            .arg(w)});
    }
    return spliced(text, splices);
}

bool openDocumentSettingsProtected(const QByteArray &settings)
{
    const auto layout = openDocumentLayout(QString::fromUtf8(settings));
    return layout && layout->on;
}

std::optional<QByteArray> withOpenDocumentProtection(const QByteArray &settings, bool on)
{
    const QString text = QString::fromUtf8(settings);
    const auto layout = openDocumentLayout(text);
    if (!layout)
        return std::nullopt;
    const QString c = layout->prefix.isEmpty() ? QString() : layout->prefix + QLatin1Char(':');
    const QString item = QStringLiteral("<%1config-item %1name=\"LoadReadonly\" "
                                        "%1type=\"boolean\">%2</%1config-item>")
                             .arg(c, on ? QStringLiteral("true") : QStringLiteral("false"));
    const Element at = layout->loadReadonly.value_or(Element{layout->insertAt, layout->insertAt});
    return spliced(text, {{at.start, at.end - at.start, item}});
}

bool takeProtection(const QString &path, bool strip)
{
    const auto settings = settingsOf(path);
    if (!settings || !settings->bytes)
        return false;
    const bool carried = settings->word ? wordSettingsProtected(*settings->bytes)
                                        : openDocumentSettingsProtected(*settings->bytes);
    QString error;
    if (carried && strip && !writeProtection(path, false, &error))
        qCWarning(lcProtection).noquote() << error;
    return carried;
}

bool writeProtection(const QString &path, bool on, QString *error)
{
    const auto settings = settingsOf(path);
    if (!settings || (!settings->bytes && !on))
        return true;
    if (!settings->bytes) {
        *error = QStringLiteral("%1 has no %2 to carry the protection").arg(path, settings->entry);
        return false;
    }
    const auto changed = settings->word ? withWordProtection(*settings->bytes, on)
                                        : withOpenDocumentProtection(*settings->bytes, on);
    if (!changed) {
        *error = QStringLiteral("cannot read %1 in %2").arg(settings->entry, path);
        return false;
    }
    return *changed == *settings->bytes ||
           replacePackageEntry(path, settings->entry, *changed, error);
}

} // namespace enginecore
