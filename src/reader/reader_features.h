#pragma once
// Creates the reader features (commands to the addressed reader and their reply decoders).

#include <QObject>
#include <memory>
#include <vector>

#include "ui/feature.h"

namespace kestrel {
void createReaderFeatures(FeatureContext& ctx, std::vector<std::unique_ptr<QObject>>& out);
}
