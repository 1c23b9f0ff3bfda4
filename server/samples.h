#pragma once

#include <string_view>
#include <vector>

namespace quillary::server {

class Database;
class ObjectStore;

struct SampleDocument
{
    std::string_view name;  // shown in the list
    std::string_view asset; // generated file, see assets.h
};

const std::vector<SampleDocument> &sampleDocuments();

// On the first start of a data folder, stores the sample documents and lists them, in one
// transaction; later starts change nothing, even if every document was replaced meanwhile.
void seedSamples(Database &database, ObjectStore &store);

} // namespace quillary::server
