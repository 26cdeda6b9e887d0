#include "tags/tag_features.h"

namespace kestrel {

void createTagFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out) {
    (void)ctx;
    (void)out;
}

}  // namespace kestrel
