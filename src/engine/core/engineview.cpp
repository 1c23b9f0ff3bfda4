#include "enginecore.h"

#include "callbacktranslation.h"
#include "refusals.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

using namespace engineprotocol;

// What a view of the document asks of the engine: its parts, tiles and thumbnails, and the
// input it passes on.
namespace enginecore {

namespace {

constexpr qint64 MaxTilePixels = 4096 * 4096;
// A thumbnail is small by definition; a big one would hold the engine up like a page.
constexpr int MaxThumbnailSide = 512;

} // namespace

Reply EngineCore::setPart(int part)
{
    if (part < 0 || part >= m_document->parts())
        return refuse(ErrorCode::BadRequest, QStringLiteral("no part %1").arg(part));
    if (m_kind != DocumentKind::Text)
        m_document->setPart(part);
    return info();
}

Reply EngineCore::tile(const request::Tile &request)
{
    const QSize pixels = request.pixels;
    if (pixels.width() <= 0 || pixels.height() <= 0 ||
        qint64(pixels.width()) * pixels.height() > MaxTilePixels)
        return refuse(ErrorCode::BadRequest, QStringLiteral("tile of %1x%2 pixels is out of bounds")
                                                 .arg(pixels.width())
                                                 .arg(pixels.height()));
    if (m_kind != DocumentKind::Text && request.part >= 0 && request.part != m_document->part()) {
        if (request.part >= m_document->parts())
            return refuse(ErrorCode::BadRequest, QStringLiteral("no part %1").arg(request.part));
        m_document->setPart(request.part);
    }
    // LibreOffice leaves the area outside pages untouched: start transparent.
    QByteArray bytes(qsizetype(pixels.width()) * pixels.height() * 4, '\0');
    m_document->paintTile(reinterpret_cast<uchar *>(bytes.data()), pixels, request.twips);
    return reply::Tile{m_document->part(), pixels, std::move(bytes)};
}

Reply EngineCore::thumbnail(const request::PartThumbnail &request)
{
    const QSize pixels = request.pixels;
    if (pixels.width() <= 0 || pixels.height() <= 0 || pixels.width() > MaxThumbnailSide ||
        pixels.height() > MaxThumbnailSide)
        return refuse(ErrorCode::BadRequest,
                      QStringLiteral("thumbnail of %1x%2 pixels is out of bounds")
                          .arg(pixels.width())
                          .arg(pixels.height()));
    if (request.part < 0 || request.part >= m_document->parts())
        return refuse(ErrorCode::BadRequest, QStringLiteral("no part %1").arg(request.part));
    // Every slide of a presentation has the document's size.
    const TwipSize size = m_document->documentSize();
    QByteArray bytes(qsizetype(pixels.width()) * pixels.height() * 4, '\0');
    m_document->paintPartTile(reinterpret_cast<uchar *>(bytes.data()), request.part, pixels,
                              QRect(0, 0, int(size.width), int(size.height)));
    return reply::Tile{request.part, pixels, std::move(bytes)};
}

Reply EngineCore::key(const request::Key &request)
{
    // Typed characters (no Ctrl or Alt) are buffered by LibreOffice, other keys not.
    const bool typed = request.character >= 0x20 && (request.keyCode & 0x6000) == 0;
    if (!m_commands.settleBefore(typed ? CommandRunner::Input::Character
                                       : CommandRunner::Input::Command))
        return inputNotSettled();
    m_document->postKeyEvent(request.action == KeyAction::Press ? LOK_KEYEVENT_KEYINPUT
                                                                : LOK_KEYEVENT_KEYUP,
                             request.character, request.keyCode);
    return reply::Done{};
}

Reply EngineCore::mouse(const request::Mouse &request)
{
    if (!m_commands.settleBefore(CommandRunner::Input::Mouse))
        return inputNotSettled();
    const int action = request.action == MouseAction::Press     ? LOK_MOUSEEVENT_MOUSEBUTTONDOWN
                       : request.action == MouseAction::Release ? LOK_MOUSEEVENT_MOUSEBUTTONUP
                                                                : LOK_MOUSEEVENT_MOUSEMOVE;
    m_document->postMouseEvent(action, request.twips, request.count, request.buttons,
                               request.modifiers);
    return reply::Done{};
}

Reply EngineCore::composition(const request::Composition &request)
{
    if (!m_commands.settleBefore(CommandRunner::Input::Composition))
        return inputNotSettled();
    m_document->postTextInput(LOK_EXT_TEXTINPUT, request.text);
    if (request.end)
        m_document->postTextInput(LOK_EXT_TEXTINPUT_END, {});
    return reply::Done{};
}

Reply EngineCore::pageRectangles()
{
    if (m_kind == DocumentKind::Text)
        return reply::Rectangles{parseRectangles(m_document->pageRectangles())};
    // A slide or a sheet is its own page.
    const TwipSize size = m_document->documentSize();
    return reply::Rectangles{{QRect(0, 0, int(size.width), int(size.height))}};
}

} // namespace enginecore
