// The features the main window wires up.
#include "reader/livedata.h"
#include "reader/reader_features.h"
#include "tags/tag_features.h"

namespace kestrel {

std::vector<std::unique_ptr<QObject>> createFeatureObjects(FeatureContext& ctx) {
    std::vector<std::unique_ptr<QObject>> features;
    features.push_back(std::make_unique<LiveData>(ctx));
    createReaderFeatures(ctx, features);
    createTagFeatures(ctx, features);
    return features;
}

}  // namespace kestrel
