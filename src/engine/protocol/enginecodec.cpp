#include "enginecodec.h"

#include <QBuffer>
#include <QCborStreamReader>
#include <QCborStreamWriter>
#include <QIODevice>
#include <QtEndian>

#include <limits>
#include <type_traits>
#include <utility>

namespace engineprotocol {

namespace {

template <class T>
concept Structure = requires(const T &value)
{
    T::fields(value);
};

template <class T> struct IsOptional : std::false_type
{
};
template <class T> struct IsOptional<std::optional<T>> : std::true_type
{
};

class Writer
{
public:
    explicit Writer(QIODevice *out) : m_cbor(out) {}

    void write(bool value) { m_cbor.append(value); }
    void write(int value) { m_cbor.append(qint64(value)); }
    void write(qint64 value) { m_cbor.append(value); }
    void write(quint64 value) { m_cbor.append(value); }
    void write(const QString &value) { m_cbor.append(value); }
    void write(const QByteArray &value) { m_cbor.append(value); }
    void write(const QPoint &value) { integers({value.x(), value.y()}); }
    void write(const QSize &value) { integers({value.width(), value.height()}); }
    void write(const QRect &value)
    {
        integers({value.x(), value.y(), value.width(), value.height()});
    }
    template <class E>
    requires std::is_enum_v<E>
    void write(E value) { write(int(value)); }
    template <class T> void write(const std::optional<T> &value)
    {
        if (value)
            write(*value);
        else
            m_cbor.append(nullptr);
    }
    template <class T> void write(const QList<T> &values)
    {
        m_cbor.startArray(quint64(values.size()));
        for (const T &value : values)
            write(value);
        m_cbor.endArray();
    }
    template <Structure T> void write(const T &value)
    {
        const auto fields = T::fields(value);
        m_cbor.startArray(std::tuple_size_v<decltype(fields)>);
        std::apply([this](const auto &...field) { (write(field), ...); }, fields);
        m_cbor.endArray();
    }
    template <class... T> void write(const std::variant<T...> &value)
    {
        m_cbor.startArray(2);
        write(int(value.index()));
        std::visit([this](const auto &alternative) { write(alternative); }, value);
        m_cbor.endArray();
    }

private:
    void integers(std::initializer_list<int> values)
    {
        m_cbor.startArray(quint64(values.size()));
        for (int value : values)
            write(value);
        m_cbor.endArray();
    }

    QCborStreamWriter m_cbor;
};

// Each read takes one item and moves past it; false when the item is not what was expected.
class Reader
{
public:
    explicit Reader(const QByteArray &bytes) : m_cbor(bytes), m_size(bytes.size()) {}

    bool atEnd() const { return m_cbor.currentOffset() == m_size; }
    QString errorString() { return m_cbor.lastError().toString(); }

    bool read(bool &value)
    {
        if (!m_cbor.isBool())
            return false;
        value = m_cbor.toBool();
        return m_cbor.next();
    }
    bool read(qint64 &value)
    {
        if (!m_cbor.isInteger() ||
            (m_cbor.isUnsignedInteger() &&
             m_cbor.toUnsignedInteger() > quint64(std::numeric_limits<qint64>::max())))
            return false;
        value = m_cbor.toInteger();
        return m_cbor.next();
    }
    bool read(quint64 &value)
    {
        if (!m_cbor.isUnsignedInteger())
            return false;
        value = m_cbor.toUnsignedInteger();
        return m_cbor.next();
    }
    bool read(int &value)
    {
        qint64 wide = 0;
        if (!read(wide) || wide < std::numeric_limits<int>::min() ||
            wide > std::numeric_limits<int>::max())
            return false;
        value = int(wide);
        return true;
    }
    bool read(QString &value)
    {
        if (!m_cbor.isString())
            return false;
        value.clear();
        auto chunk = m_cbor.readString();
        for (; chunk.status == QCborStreamReader::Ok; chunk = m_cbor.readString())
            value += chunk.data;
        return chunk.status == QCborStreamReader::EndOfString;
    }
    bool read(QByteArray &value)
    {
        if (!m_cbor.isByteArray())
            return false;
        value.clear();
        auto chunk = m_cbor.readByteArray();
        for (; chunk.status == QCborStreamReader::Ok; chunk = m_cbor.readByteArray())
            value += chunk.data;
        return chunk.status == QCborStreamReader::EndOfString;
    }
    bool read(QPoint &value) { return integers({&value.rx(), &value.ry()}); }
    bool read(QSize &value) { return integers({&value.rwidth(), &value.rheight()}); }
    bool read(QRect &value)
    {
        int x = 0, y = 0, width = 0, height = 0;
        if (!integers({&x, &y, &width, &height}))
            return false;
        value = QRect(x, y, width, height);
        return true;
    }
    template <class E>
    requires std::is_enum_v<E>
    bool read(E &value)
    {
        int number = 0;
        if (!read(number))
            return false;
        value = E(number);
        return true;
    }
    template <class T> bool read(std::optional<T> &value)
    {
        if (m_cbor.isNull()) {
            value.reset();
            return m_cbor.next();
        }
        return read(value.emplace());
    }
    template <class T> bool read(QList<T> &values)
    {
        values.clear();
        if (!m_cbor.isArray() || !m_cbor.enterContainer())
            return false;
        while (m_cbor.hasNext())
            if (!read(values.emplace_back()))
                return false;
        return m_cbor.leaveContainer();
    }
    template <Structure T> bool read(T &value)
    {
        return container([&] {
            return std::apply([this](auto &...field) { return (read(field) && ...); },
                              T::fields(value));
        });
    }
    template <class... T> bool read(std::variant<T...> &value)
    {
        return container([&] {
            int index = -1;
            if (!read(index))
                return false;
            return [&]<std::size_t... I>(std::index_sequence<I...>)
            {
                return ((index == int(I) && read(value.template emplace<I>())) || ...);
            }
            (std::index_sequence_for<T...>{});
        });
    }

private:
    // An array whose items body reads, all of them and no more.
    template <class Body> bool container(const Body &body)
    {
        if (!m_cbor.isArray() || !m_cbor.enterContainer())
            return false;
        return body() && !m_cbor.hasNext() && m_cbor.leaveContainer();
    }
    bool integers(std::initializer_list<int *> values)
    {
        return container([&] {
            for (int *value : values)
                if (!read(*value))
                    return false;
            return true;
        });
    }

    QCborStreamReader m_cbor;
    qint64 m_size;
};

constexpr qsizetype LengthBytes = 4;

} // namespace

QByteArray encode(const Frame &frame)
{
    QByteArray bytes(LengthBytes, '\0');
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly | QIODevice::Append);
    Writer(&buffer).write(frame);
    buffer.close();
    qToBigEndian<quint32>(quint32(bytes.size() - LengthBytes), bytes.data());
    return bytes;
}

std::optional<Frame> decode(const QByteArray &body, QString *error)
{
    Reader reader(body);
    Frame frame;
    if (reader.read(frame) && reader.atEnd())
        return frame;
    *error = QStringLiteral("malformed frame of %1 bytes (%2)")
                 .arg(body.size())
                 .arg(reader.errorString());
    return std::nullopt;
}

FrameReader::FrameReader(QIODevice *device) : m_stream(device) {}

std::optional<Frame> FrameReader::next()
{
    if (hasError())
        return std::nullopt;
    m_stream.startTransaction();
    quint32 length = 0;
    m_stream >> length;
    if (m_stream.status() == QDataStream::Ok && length > MaxFrameBytes) {
        m_stream.abortTransaction();
        m_error = QStringLiteral("frame of %1 bytes is out of bounds").arg(length);
        return std::nullopt;
    }
    // Whole frames only: a partial one stays in the device until the rest arrives.
    if (m_stream.status() != QDataStream::Ok ||
        m_stream.device()->bytesAvailable() < qint64(length)) {
        m_stream.rollbackTransaction();
        return std::nullopt;
    }
    QByteArray body(length, Qt::Uninitialized);
    m_stream.readRawData(body.data(), int(length));
    if (!m_stream.commitTransaction())
        return std::nullopt;
    auto frame = decode(body, &m_error);
    if (!frame)
        return std::nullopt;
    return frame;
}

} // namespace engineprotocol
