#include "framercontrol.h"

#include "automation/automationerror.h"

#include <QPainter>

#include <array>
#include <strings.h>

using namespace automation;

namespace framer {

namespace {

struct Member
{
    const char *name;
    DispId id;
    InvokeKind kind;
};

constexpr std::array<Member, 12> Members = {{
    {"DocumentObject", dispid::DocumentObject, InvokeKind::PropertyGet},
    {"OpenDocument", dispid::OpenDocument, InvokeKind::Method},
    {"SaveDocument", dispid::SaveDocument, InvokeKind::Method},
    {"HandSign", dispid::HandSign, InvokeKind::Method},
    {"CloseDocument", dispid::CloseDocument, InvokeKind::Method},
    {"ShowFileDialog", dispid::ShowFileDialog, InvokeKind::Method},
    {"DocumentName", dispid::DocumentName, InvokeKind::PropertyGet},
    {"InsertFile", dispid::InsertFile, InvokeKind::Method},
    {"MarkCommand", dispid::MarkCommand, InvokeKind::Method},
    {"ProtectDocument", dispid::ProtectDocument, InvokeKind::Method},
    {"ReplaceText", dispid::ReplaceText, InvokeKind::Method},
    {"DownloadFile", dispid::DownloadFile, InvokeKind::Method},
}};

const Member *memberOf(DispId id)
{
    for (const Member &member : Members)
        if (member.id == id)
            return &member;
    return nullptr;
}

} // namespace

FramerControl::FramerControl(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Quillary1"));
    setAccessibleName(QStringLiteral("文档控件"));
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
}

FramerControl::~FramerControl() = default;

Variant FramerControl::invoke(DispId id, InvokeKind kind, const std::vector<Variant> &)
{
    const Member *member = memberOf(id);
    if (!member)
        throw AutomationError(hresult::MemberNotFound, "文档控件不支持该成员");
    if (member->kind != kind &&
        !(member->kind == InvokeKind::PropertyGet && kind == InvokeKind::Method))
        throw AutomationError(hresult::MemberNotFound,
                              std::string("成员 ") + member->name + " 不支持这种调用方式");
    notImplemented(member->name);
}

DispId FramerControl::idOfName(std::string_view name)
{
    const std::string key(name);
    for (const Member &member : Members)
        if (strcasecmp(member.name, key.c_str()) == 0)
            return member.id;
    throw unknownName(name);
}

void FramerControl::notImplemented(std::string_view member) const
{
    throw AutomationError(hresult::NotImplemented,
                          "文档控件的 " + std::string(member) + " 功能尚未实现（办公引擎未接入）");
}

void FramerControl::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    painter.drawText(rect(), Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("没有打开的文档"));
}

} // namespace framer
