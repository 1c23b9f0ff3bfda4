#include "pageobject.h"

#include "automation/automationerror.h"

#include <strings.h>

using namespace automation;

namespace browser {

namespace {

constexpr DispId DispidValue = 0;

bool sameName(std::string_view a, const char *b)
{
    return strcasecmp(std::string(a).c_str(), b) == 0;
}

// Small by-name objects: each knows its members and answers them from the snapshot.
class SnapshotObject : public Dispatch
{
public:
    explicit SnapshotObject(std::shared_ptr<const PageSnapshot> page) : m_page(std::move(page)) {}

protected:
    std::shared_ptr<const PageSnapshot> m_page;
};

class LinkObject : public SnapshotObject
{
public:
    LinkObject(std::shared_ptr<const PageSnapshot> page, std::size_t index)
        : SnapshotObject(std::move(page)), m_index(index)
    {
    }

    Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) override
    {
        if ((id != 1 && id != DispidValue) || kind == InvokeKind::PropertyPut)
            throw AutomationError(hresult::MemberNotFound, "链接对象不支持该成员");
        requireArgCount(args, 0);
        return Variant::bstr(m_page->links[m_index]);
    }
    DispId idOfName(std::string_view name) override
    {
        if (sameName(name, "href"))
            return 1;
        throw unknownName(name);
    }

private:
    std::size_t m_index;
};

class LinksCollection : public SnapshotObject
{
public:
    using SnapshotObject::SnapshotObject;

    Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) override
    {
        if (kind == InvokeKind::PropertyPut)
            throw AutomationError(hresult::MemberNotFound, "链接集合是只读的");
        if (id == 1) {
            requireArgCount(args, 0);
            return Variant::i4(static_cast<std::int32_t>(m_page->links.size()));
        }
        if (id == DispidValue || id == 2)
            return item(args);
        throw AutomationError(hresult::MemberNotFound, "链接集合不支持该成员");
    }
    DispId idOfName(std::string_view name) override
    {
        if (sameName(name, "length"))
            return 1;
        if (sameName(name, "item"))
            return 2;
        throw unknownName(name);
    }

    Variant item(const std::vector<Variant> &args)
    {
        requireArgCount(args, 1);
        const std::int32_t index = args[0].toInt();
        if (index < 0 || static_cast<std::size_t>(index) >= m_page->links.size())
            throw AutomationError(hresult::InvalidArgument,
                                  "链接序号超出范围：" + std::to_string(index));
        return Variant::dispatch(std::make_shared<LinkObject>(m_page, index));
    }
};

class BodyObject : public SnapshotObject
{
public:
    using SnapshotObject::SnapshotObject;

    Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) override
    {
        if (id != 1 || kind == InvokeKind::PropertyPut)
            throw AutomationError(hresult::MemberNotFound, "页面主体不支持该成员");
        requireArgCount(args, 0);
        return Variant::bstr(m_page->bodyText);
    }
    DispId idOfName(std::string_view name) override
    {
        if (sameName(name, "innertext"))
            return 1;
        throw unknownName(name);
    }
};

class PageObject : public SnapshotObject
{
public:
    using SnapshotObject::SnapshotObject;

    Variant invoke(DispId id, InvokeKind kind, const std::vector<Variant> &args) override
    {
        if (kind == InvokeKind::PropertyPut)
            throw AutomationError(hresult::MemberNotFound, "页面对象是只读的");
        if (id == 1) {
            requireArgCount(args, 0);
            if (!m_page->hasBody)
                throw AutomationError(hresult::Fail, "页面没有主体（body）");
            return Variant::dispatch(std::make_shared<BodyObject>(m_page));
        }
        if (id == 2) {
            auto links = std::make_shared<LinksCollection>(m_page);
            // links(i) reads the collection's default member in the same call.
            if (!args.empty())
                return links->item(args);
            return Variant::dispatch(links);
        }
        throw AutomationError(hresult::MemberNotFound, "页面对象不支持该成员");
    }
    DispId idOfName(std::string_view name) override
    {
        if (sameName(name, "body"))
            return 1;
        if (sameName(name, "links"))
            return 2;
        throw unknownName(name);
    }
};

} // namespace

std::shared_ptr<Dispatch> makePageObject(std::shared_ptr<const PageSnapshot> page)
{
    return std::make_shared<PageObject>(std::move(page));
}

std::string withCrLfLineBreaks(const std::string &text)
{
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace browser
