#pragma once

#include "enginecore.h"
#include "fakeoffice.h"

#include <LibreOfficeKit/LibreOfficeKitEnums.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <vector>

// An engine core over a fake office, with the events it sent.
class EngineCoreTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QString file(const QString &name, const QByteArray &bytes = "document bytes")
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }
    // Loads a fake document of the given LOK_DOCTYPE_* into the engine.
    FakeDocument *open(int type, const QList<FakeDocument::Part> &parts = {{"Page"}})
    {
        FakeDocument *document = m_office.prepare(type);
        document->sheets = parts;
        const engineprotocol::Reply reply =
            m_core.handle(engineprotocol::request::Load{file(QStringLiteral("document.odt"))});
        EXPECT_TRUE(std::holds_alternative<engineprotocol::reply::DocumentInfo>(reply));
        document->log.clear();
        return document;
    }
    template <class T> T expect(const engineprotocol::Reply &reply)
    {
        if (const auto *error = std::get_if<engineprotocol::reply::Error>(&reply))
            ADD_FAILURE() << "refused: " << error->message.toStdString();
        EXPECT_TRUE(std::holds_alternative<T>(reply)) << "reply " << reply.index();
        return std::holds_alternative<T>(reply) ? std::get<T>(reply) : T{};
    }
    static engineprotocol::reply::Error errorOf(const engineprotocol::Reply &reply)
    {
        EXPECT_TRUE(std::holds_alternative<engineprotocol::reply::Error>(reply))
            << "reply " << reply.index();
        return std::holds_alternative<engineprotocol::reply::Error>(reply)
                   ? std::get<engineprotocol::reply::Error>(reply)
                   : engineprotocol::reply::Error{};
    }

    QTemporaryDir m_dir;
    FakeOffice m_office;
    std::vector<engineprotocol::Event> m_events;
    enginecore::EngineCore m_core{
        m_office, [this](const engineprotocol::Event &event) { m_events.push_back(event); }, [] {}};
};
