#pragma once
// Creates the tag and bridge-slave features (commands through the reader and their reply decoders).

#include <QObject>
#include <memory>
#include <vector>

#include "ui/feature.h"

namespace kestrel {
void createTagFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out);
}
