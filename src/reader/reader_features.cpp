#include "reader/reader_features.h"

namespace kestrel {

void createReaderFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out) {
    (void)ctx;
    (void)out;
}

}  // namespace kestrel
