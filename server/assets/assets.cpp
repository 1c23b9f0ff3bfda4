#include "assets.h"

namespace quillary::server::assets {

std::optional<std::string_view> find(std::string_view name)
{
    for (const Asset &asset : all()) {
        if (asset.name == name)
            return asset.bytes;
    }
    return std::nullopt;
}

} // namespace quillary::server::assets
