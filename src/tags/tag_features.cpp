#include "tags/tag_features.h"

#include "tags/slave_data.h"
#include "tags/tag_identity.h"
#include "tags/tag_params.h"
#include "tags/tag_search.h"

namespace kestrel {

void createTagFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out) {
    out.push_back(std::make_unique<TagSearch>(ctx));
    out.push_back(std::make_unique<TagParams>(ctx));
    out.push_back(std::make_unique<TagIdentity>(ctx));
    out.push_back(std::make_unique<SlaveData>(ctx));
}

}  // namespace kestrel
