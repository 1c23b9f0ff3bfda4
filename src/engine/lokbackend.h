#pragma once

#include "documentbackend.h"

#include <memory>

namespace lok {
class Office;
}

// The engine's office: LibreOfficeKit, loaded from a LibreOffice program folder.
class LokOffice : public enginecore::OfficeBackend
{
public:
    // Null when LibreOfficeKit does not start from installPath with the profile folder.
    static std::unique_ptr<LokOffice> start(const QString &installPath, const QString &profileDir);
    ~LokOffice() override;

    std::unique_ptr<enginecore::DocumentBackend> load(const QString &path) override;
    QString lastError() override;
    LoadFailure lastLoadFailure() override;
    // LibreOffice's version information (JSON).
    QString versionInfo();

private:
    explicit LokOffice(lok::Office *office);
    static void callback(int type, const char *payload, void *data);

    std::unique_ptr<lok::Office> m_office;
    bool m_passwordAsked = false;
};
