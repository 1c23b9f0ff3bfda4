#include "samples.h"

#include "assets.h"
#include "database.h"
#include "log.h"
#include "mime.h"
#include "store.h"

#include <ctime>
#include <stdexcept>
#include <string>

namespace quillary::server {

const std::vector<SampleDocument> &sampleDocuments()
{
    static const std::vector<SampleDocument> samples{
        {"Word文档示例.doc", "documents/word-sample.doc"},
        {"Word2007文档示例.docx", "documents/word-sample.docx"},
        {"Excel表格示例.xls", "documents/excel-sample.xls"},
        {"PowerPoint演示文稿示例.ppt", "documents/powerpoint-sample.ppt"},
        {"WPS文字示例.wps", "documents/wps-sample.wps"},
    };
    return samples;
}

void seedSamples(Database &database, ObjectStore &store)
{
    if (database.isSeeded())
        return;
    std::vector<NewDocument> documents;
    for (const SampleDocument &sample : sampleDocuments()) {
        const auto bytes = assets::find(sample.asset);
        if (!bytes)
            throw std::runtime_error("sample " + std::string(sample.asset) + " is not built in");
        const StoredObject object = store.put(*bytes);
        documents.push_back(NewDocument{std::string(sample.name), extensionOf(sample.name),
                                        object.hash, object.size});
    }
    const auto ids = database.seed(documents, static_cast<std::int64_t>(std::time(nullptr)));
    if (!ids.empty())
        logInfo("added " + std::to_string(ids.size()) + " sample documents");
}

} // namespace quillary::server
